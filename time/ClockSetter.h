#pragma once

#include <ctime>

// The one way the clock is changed, used only by the helper vesk-sync.
// The Linux implementation (in the helper's own library, which the
// windowed program does not link) is the only code that touches
// capabilities or steps the clock; tests stand in a fake.
class ClockSetter
{
public:
    virtual ~ClockSetter() = default;
    // Raises CAP_SYS_TIME into the effective set. False with errno EPERM
    // when the process is not permitted it.
    virtual bool RaiseTimeCapability() = 0;
    // Clears CAP_SYS_TIME from the effective and the permitted set: one
    // step is all a process makes.
    virtual void DropTimeCapability() = 0;
    // Steps CLOCK_REALTIME by offset (tv_nsec in [0, 1e9), so -0.25 s is
    // {-1, 750000000}), added by the kernel at the moment of the call: no
    // delay before it can make the result wrong. False with errno set
    // when refused (no CAP_SYS_TIME) or when the kernel rejects the value.
    virtual bool Step(const timespec& offset) = 0;
};

// The process's real clock, through libcap and clock_adjtime.
ClockSetter& SystemClockSetter();

// True when the process holds more than its user's rights: started
// set-id or with file capabilities (AT_SECURE), or with any capability
// permitted (root's included).
bool RunsPrivileged();
// Keeps CAP_SYS_TIME, when permitted, as the only capability, permitted
// but not effective; every other one is gone for good. False with errno
// when the capability sets cannot be changed.
bool KeepOnlyTimeCapability();
