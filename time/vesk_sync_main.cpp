// vesk-sync: one synchronisation of the system clock, as the program's
// synchronise does it: the primary time server, then the secondary, and
// the clock stepped by the offset of the one that answered (a step of
// more than kConfirmStepAbove only when the other server agrees).
//
// It is the only program that may be granted the right to set the clock
// (setcap cap_sys_time+p on this file alone), so while it holds any right
// it takes nothing from whoever started it: no environment, no arguments,
// no open descriptor but the standard three, the fixed servers, and
// CAP_SYS_TIME as its only capability, effective just around the one
// step and given up after it. Once the servers are looked up it can make
// no system call but those of the exchanges and the step. Run without any
// right it takes up to two servers as arguments, so tests can aim it at
// loopback; the clock then stays as it is (EPERM).
//
// It prints the message the program shows and the result line the program
// reads, and exits 0 only when the clock was set.

#include "time/ClockSetter.h"
#include "time/HelperSandbox.h"
#include "time/Synchronise.h"

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "사용법: vesk-sync [서버[:포트] [서버[:포트]]]\n"
                 "서버를 주지 않으면 %s, %s 순서로 묻고 (포트 %d) 시스템 시계를 맞춥니다.\n"
                 "권한을 가지고 실행될 때는 서버를 받지 않습니다.\n",
                 kPrimaryTimeServer, kSecondaryTimeServer, kNtpPort);
    return kSyncExitUsage;
}

int Refuse(const char* what)
{
    std::fprintf(stderr, "vesk-sync: %s: %s\n", what, std::strerror(errno));
    return kSyncExitNotSet;
}

} // namespace

int main(int argc, char** argv)
{
    if (!CloseInheritedDescriptors())
        return Refuse("열린 파일을 닫을 수 없습니다");
    const bool privileged = RunsPrivileged();
    ::clearenv();
    if (!KeepOnlyTimeCapability())
        return Refuse("권한을 줄일 수 없습니다");

    std::vector<TimeServer> servers = DefaultTimeServers();
    if (argc > 1) {
        if (privileged) {
            std::fprintf(stderr, "vesk-sync: 권한을 가지고 실행되어 인자를 받지 않습니다\n");
            return kSyncExitUsage;
        }
        auto given = ServersFromArguments(argc, argv);
        if (!given || given->size() > 2)
            return Usage();
        servers = std::move(*given);
    }

    // The lookups read files and may talk to other processes; what
    // follows needs neither. Standard output gets its buffer now, so
    // that the first print asks the kernel for nothing.
    const std::vector<PeerAddresses> resolved = ResolveServers(servers);
    static char out[1024];
    std::setvbuf(stdout, out, _IOFBF, sizeof out);
    if (!RestrictSystemCalls())
        return Refuse("시스템 호출을 제한할 수 없습니다");

    SntpClient client(SystemClockSetter());
    const SyncPlan plan = PlanSync(client, servers, resolved);
    for (const auto& failure : plan.answer.failures)
        std::fprintf(stderr, "%s\n", failure.c_str());

    // A signal to end may cut the exchange short, but once the clock is
    // being stepped, the step and its report go together.
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, nullptr);
    const SyncOutcome outcome = SetClockFrom(client, plan);
    std::printf("%s\n%s\n", SyncOutcomeMessage(outcome).c_str(), SyncResultLine(outcome).c_str());
    std::fflush(stdout);
    return SyncExitStatus(outcome);
}
