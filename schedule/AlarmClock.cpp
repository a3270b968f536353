#include "schedule/AlarmClock.h"

#include "base/NextSecond.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace {

constexpr int kLookMs = 1000;  // without a timer: one look a second

void Drain(int fd)
{
    std::uint64_t count;
    // A timer read after a clock step fails with ECANCELED; either way the
    // descriptor is no longer readable.
    while (::read(fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace

SystemAlarmClock::SystemAlarmClock()
    : m_timer(::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK)),
      m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

SystemAlarmClock::~SystemAlarmClock()
{
    if (m_timer >= 0)
        ::close(m_timer);
    if (m_wake >= 0)
        ::close(m_wake);
}

std::time_t SystemAlarmClock::Now()
{
    return SecondsNow();
}

void SystemAlarmClock::SleepUntil(std::time_t point)
{
    bool armed = false;
    if (m_timer >= 0) {
        itimerspec due{};
        // A zero time would disarm the timer, not fire it.
        due.it_value.tv_sec = std::max<std::time_t>(point, 1);
        armed = ::timerfd_settime(m_timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &due,
                                  nullptr) == 0;
    }
    int timeout = -1;
    if (!armed || m_wake < 0) {
        using namespace std::chrono;
        const auto left = system_clock::from_time_t(point) - system_clock::now();
        timeout = static_cast<int>(std::clamp<milliseconds::rep>(
            ceil<milliseconds>(left).count(), 0, kLookMs));
    }
    // poll leaves out a descriptor below 0.
    pollfd fds[2] = {{m_wake, POLLIN, 0}, {armed ? m_timer : -1, POLLIN, 0}};
    while (::poll(fds, 2, timeout) < 0 && errno == EINTR) {
    }
    if (fds[0].revents & POLLIN)
        Drain(m_wake);
    if (fds[1].revents & POLLIN)
        Drain(m_timer);
}

void SystemAlarmClock::Wake()
{
    if (m_wake < 0)
        return;
    const std::uint64_t one = 1;
    while (::write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
}
