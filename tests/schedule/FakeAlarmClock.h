#pragma once
// A clock for the alarm thread that moves only when a test sets it; a
// sleep ends when the time reaches its point, the clock is stepped, or a
// wake comes.

#include "schedule/AlarmClock.h"

#include <condition_variable>
#include <mutex>

class FakeAlarmClock final : public AlarmClock
{
public:
    explicit FakeAlarmClock(std::time_t now) : m_now(now) {}

    std::time_t Now() override
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void SleepUntil(std::time_t point) override
    {
        std::unique_lock lock(m_mutex);
        ++m_sleeps;
        m_point = point;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_now >= point || m_woken; });
        m_woken = false;
        m_point = 0;
    }
    void Wake() override
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
        m_changed.notify_all();
    }

    // The time moves to now, as it does by itself.
    void Set(std::time_t now)
    {
        std::lock_guard lock(m_mutex);
        m_now = now;
        m_changed.notify_all();
    }
    // The clock is set to now: it may go back, and a sleep ends.
    void Step(std::time_t now)
    {
        std::lock_guard lock(m_mutex);
        m_now = now;
        m_woken = true;
        m_changed.notify_all();
    }
    // The point of the sleep under way, 0 when none.
    std::time_t SleepingUntil()
    {
        std::lock_guard lock(m_mutex);
        return m_point;
    }
    int Sleeps()
    {
        std::lock_guard lock(m_mutex);
        return m_sleeps;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::time_t m_now;
    std::time_t m_point = 0;
    int m_sleeps = 0;
    bool m_woken = false;
};
