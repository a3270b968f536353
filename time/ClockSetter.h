#pragma once

#include <ctime>

// The one way the program changes the system clock. The Linux
// implementation is the only code that touches capabilities or calls
// clock_settime; tests stand in a fake.
class ClockSetter
{
public:
    virtual ~ClockSetter() = default;
    // Raises CAP_SYS_TIME into the effective set. False with errno EPERM
    // when the process is not permitted it.
    virtual bool RaiseTimeCapability() = 0;
    // Clears CAP_SYS_TIME from the effective set again.
    virtual void DropTimeCapability() = 0;
    // Sets CLOCK_REALTIME to utc. False with errno set when refused (no
    // CAP_SYS_TIME) or when the kernel rejects the value.
    virtual bool Set(const timespec& utc) = 0;
};

// The process's real clock, through libcap and clock_settime.
ClockSetter& SystemClockSetter();

// Clears CAP_SYS_TIME from the effective set, so that it is raised only
// around a clock setting even when the program was granted it as +ep.
void DropTimeCapabilityAtStart();
