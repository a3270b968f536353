#include "shell/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_writeEnd = -1;
struct sigaction g_previous[std::size(TerminationSignals::kSignals)];

void OnSignal(int signo)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signo);
    // Full pipe: a signal already waits there, which is enough.
    [[maybe_unused]] const ssize_t n = ::write(g_writeEnd, &number, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void TerminationSignals::readPipe()
{
    unsigned char numbers[16];
    ssize_t n;
    while ((n = ::read(m_pipe[0], numbers, sizeof numbers)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            m_onSignal(numbers[i]);
}
