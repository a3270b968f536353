// CLOCK_REALTIME for the transmission: read, and slept on to an absolute
// time, so a clock step during the sleep cannot stretch it.

#include "serial/TransmitTime.h"

#include <condition_variable>
#include <ctime>
#include <mutex>

namespace {

// Sleepers wait here; a wake makes each ask its keepWaiting again.
std::mutex g_wakeMutex;
std::condition_variable g_wake;

class SystemClock final : public TransmitClock
{
public:
    TransmitInstant Now() override
    {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        return TransmitInstant(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
    }

    void SleepUntil(TransmitInstant t, const std::function<bool()>& keepWaiting) override
    {
        // A system_clock deadline is an absolute CLOCK_REALTIME wait. The
        // predicate is asked under the lock a wake takes, so no wake is lost
        // between asking it and sleeping.
        std::unique_lock lock(g_wakeMutex);
        g_wake.wait_until(lock, std::chrono::time_point_cast<std::chrono::system_clock::duration>(t),
                          [&] { return !keepWaiting(); });
    }
};

}  // namespace

TransmitClock& SystemTransmitClock()
{
    static SystemClock clock;
    return clock;
}

void WakeTransmitWorkers()
{
    // Taken so that a sleeper is either still before its question or
    // already waiting.
    const std::lock_guard lock(g_wakeMutex);
    g_wake.notify_all();
}
