#include "time/StopSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

StopSignal::StopSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

StopSignal::~StopSignal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void StopSignal::Raise()
{
    m_raised = true;
    if (m_fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);   // full only after 2^64 - 1 raises
    }
}
