#pragma once

#include "time/ClockSetter.h"

#include <cerrno>

// Stands in for the real clock; never touches it. Its own reading moves
// only by the steps it is given, and by a stall between the raise of the
// capability and the step, as a helper stopped there would see.
class FakeClock : public ClockSetter
{
public:
    bool permitted = true;
    bool accept = true;
    int raised = 0, dropped = 0, steps = 0;
    timespec lastStep{};
    double now = 0;            // s, the fake clock's reading
    double stallOnRaise = 0;   // s the clock moves on between the raise and the step

    bool RaiseTimeCapability() override
    {
        if (!permitted) {
            errno = EPERM;
            return false;
        }
        ++raised;
        now += stallOnRaise;
        return true;
    }
    void DropTimeCapability() override
    {
        ++dropped;
        errno = 0;   // a drop must not hide why the step failed
    }
    bool Step(const timespec& offset) override
    {
        ++steps;
        lastStep = offset;
        if (!accept) {
            errno = EINVAL;
            return false;
        }
        now += offset.tv_sec + offset.tv_nsec * 1e-9;
        return true;
    }
    double LastStepSeconds() const { return lastStep.tv_sec + lastStep.tv_nsec * 1e-9; }
};
