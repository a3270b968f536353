// Setting the real clock: CAP_SYS_TIME is held in the permitted set (an
// administrator grants it with setcap cap_sys_time+p) and is effective
// only for the length of one clock_settime call.

#include "time/ClockSetter.h"

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

void DropTimeCapabilityAtStart()
{
    const int err = errno;
    SetEffective(CAP_CLEAR);
    errno = err;
}
