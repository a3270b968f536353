#pragma once
// What the alarm thread reads the time from and sleeps on: the system
// clock, or a fake one in tests.

#include <ctime>

class AlarmClock
{
public:
    virtual ~AlarmClock() = default;
    // The time in whole seconds since 1970 UTC.
    virtual std::time_t Now() = 0;
    // Sleeps until the clock reads point or later, the clock is set (a step
    // either way), or Wake is called; at once when Wake was called since
    // the last sleep.
    virtual void SleepUntil(std::time_t point) = 0;
    // Ends the sleep under way, or the next one at once; from any thread.
    virtual void Wake() = 0;
};

// CLOCK_REALTIME, slept on with a timer that also ends when the clock is
// set. Without the timer or the wake-up descriptor (none left) it looks
// once a second instead.
class SystemAlarmClock final : public AlarmClock
{
public:
    SystemAlarmClock();
    ~SystemAlarmClock() override;
    SystemAlarmClock(const SystemAlarmClock&) = delete;
    SystemAlarmClock& operator=(const SystemAlarmClock&) = delete;

    std::time_t Now() override;
    void SleepUntil(std::time_t point) override;
    void Wake() override;

private:
    int m_timer = -1;  // timerfd on CLOCK_REALTIME
    int m_wake = -1;   // eventfd
};
