// CLOCK_REALTIME for the transmission: read, and slept on to an absolute
// time, so a clock step during the sleep cannot stretch it.

#include "serial/TransmitTime.h"

#include <cerrno>
#include <ctime>

namespace {

class SystemClock final : public TransmitClock
{
public:
    TransmitInstant Now() override
    {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        return TransmitInstant(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
    }

    void SleepUntil(TransmitInstant t) override
    {
        const auto ns = t.time_since_epoch().count();
        const timespec at{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
        while (::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &at, nullptr) == EINTR) {
        }
    }
};

}  // namespace

TransmitClock& SystemTransmitClock()
{
    static SystemClock clock;
    return clock;
}
