#pragma once

#include "time/ClockSetter.h"

#include <cerrno>
#include <ctime>

// Stands in for the real clock; never touches it.
class FakeClock : public ClockSetter
{
public:
    bool permitted = true;
    bool accept = true;
    int raised = 0, dropped = 0, sets = 0;
    timespec last{};

    bool RaiseTimeCapability() override
    {
        if (!permitted) {
            errno = EPERM;
            return false;
        }
        ++raised;
        return true;
    }
    void DropTimeCapability() override
    {
        ++dropped;
        errno = 0;   // a drop must not hide why the set failed
    }
    bool Set(const timespec& utc) override
    {
        ++sets;
        last = utc;
        if (!accept)
            errno = EINVAL;
        return accept;
    }
};

// The real clock less the monotonic one, in s: it moves only when someone
// sets the clock (or a time daemon slews it, by far less than a test's
// tolerance).
inline double RealtimeMinusMonotonic()
{
    timespec r{}, m{};
    clock_gettime(CLOCK_REALTIME, &r);
    clock_gettime(CLOCK_MONOTONIC, &m);
    return (r.tv_sec - m.tv_sec) + (r.tv_nsec - m.tv_nsec) * 1e-9;
}
