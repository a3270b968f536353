// Stepping the real clock: CAP_SYS_TIME is held in the permitted set (an
// administrator grants it with setcap cap_sys_time+p), is effective only
// for the length of one clock_adjtime call and is given up right after.

#include "time/ClockSetter.h"

#include <sys/auxv.h>
#include <sys/capability.h>
#include <sys/timex.h>

#include <cerrno>

namespace {

// Raises CAP_SYS_TIME into the effective set, or clears it from the
// effective and the permitted set; errno tells a failure.
bool SetTimeCapability(cap_flag_value_t value)
{
    cap_t caps = cap_get_proc();
    if (!caps)
        return false;
    bool ok = false;
    cap_flag_value_t permitted = CAP_CLEAR;
    const cap_value_t wanted[] = {CAP_SYS_TIME};
    if (cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted) != 0) {
        // errno from libcap
    } else if (value == CAP_SET && permitted != CAP_SET) {
        errno = EPERM;
    } else {
        ok = cap_set_flag(caps, CAP_EFFECTIVE, 1, wanted, value) == 0
             && (value == CAP_SET || cap_set_flag(caps, CAP_PERMITTED, 1, wanted, value) == 0)
             && cap_set_proc(caps) == 0;
    }
    const int err = errno;
    cap_free(caps);
    errno = err;
    return ok;
}

class LinuxClockSetter final : public ClockSetter
{
public:
    bool RaiseTimeCapability() override { return SetTimeCapability(CAP_SET); }
    void DropTimeCapability() override { SetTimeCapability(CAP_CLEAR); }
    bool Step(const timespec& offset) override
    {
        timex tx{};
        tx.modes = ADJ_SETOFFSET | ADJ_NANO;
        tx.time.tv_sec = offset.tv_sec;
        tx.time.tv_usec = offset.tv_nsec;   // nanoseconds with ADJ_NANO
        return ::clock_adjtime(CLOCK_REALTIME, &tx) >= 0;
    }
};

} // namespace

ClockSetter& SystemClockSetter()
{
    static LinuxClockSetter setter;
    return setter;
}

bool RunsPrivileged()
{
    if (::getauxval(AT_SECURE) != 0)
        return true;
    cap_t caps = cap_get_proc();
    if (!caps)
        return true;   // cannot tell: assume the worst
    bool any = false;
    for (cap_value_t c = 0; c < cap_max_bits() && !any; ++c) {
        cap_flag_value_t permitted = CAP_CLEAR;
        any = cap_get_flag(caps, c, CAP_PERMITTED, &permitted) != 0 || permitted == CAP_SET;
    }
    cap_free(caps);
    return any;
}

bool KeepOnlyTimeCapability()
{
    cap_t caps = cap_get_proc();
    if (!caps)
        return false;
    cap_flag_value_t permitted = CAP_CLEAR;
    bool ok = cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted) == 0
              && cap_clear(caps) == 0;
    if (ok && permitted == CAP_SET) {
        const cap_value_t time[] = {CAP_SYS_TIME};
        ok = cap_set_flag(caps, CAP_PERMITTED, 1, time, CAP_SET) == 0;
    }
    ok = ok && cap_set_proc(caps) == 0;
    const int err = errno;
    cap_free(caps);
    errno = err;
    return ok;
}
