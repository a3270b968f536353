#pragma once

#include "time/ClockSetter.h"

#include <cerrno>

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
