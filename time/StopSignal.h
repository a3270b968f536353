#pragma once

#include <atomic>

// Ends a wait from another thread at once: a flag that stays raised, and
// an eventfd that becomes readable with it, so a poll() wakes on it.
class StopSignal
{
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Any thread; raising twice is raising once.
    void Raise();
    bool IsRaised() const { return m_raised.load(); }
    // Readable once raised; -1 when no eventfd could be made, and a waiter
    // then looks at the flag between short waits.
    int Fd() const { return m_fd; }

private:
    std::atomic<bool> m_raised{false};
    int m_fd = -1;
};

// Longest single poll() when the stop signal has no descriptor, in ms.
constexpr int kStopPollSliceMs = 50;
