// Setting the real clock: CAP_SYS_TIME is held in the permitted set (an
// administrator grants it with setcap cap_sys_time+p) and is effective
// only for the length of one clock_settime call.

#include "time/ClockSetter.h"

#include <sys/auxv.h>
#include <sys/capability.h>

#include <cerrno>

namespace {

// Sets or clears CAP_SYS_TIME in the effective set; errno tells a failure.
bool SetEffective(cap_flag_value_t value)
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
        ok = cap_set_flag(caps, CAP_EFFECTIVE, 1, wanted, value) == 0 && cap_set_proc(caps) == 0;
    }
    const int err = errno;
    cap_free(caps);
    errno = err;
    return ok;
}

class LinuxClockSetter final : public ClockSetter
{
public:
    bool RaiseTimeCapability() override { return SetEffective(CAP_SET); }
    void DropTimeCapability() override { SetEffective(CAP_CLEAR); }
    bool Set(const timespec& utc) override { return clock_settime(CLOCK_REALTIME, &utc) == 0; }
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
