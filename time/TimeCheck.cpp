#include "time/TimeCheck.h"

#include "base/Options.h"

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::atomic<bool> g_bSyncMode{false};

std::string SyncLogLine(std::time_t lastCon, double lastDiff)
{
    std::tm tm{};
    localtime_r(&lastCon, &tm);
    char line[96];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d:%02d %.3f\n", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, -lastDiff);
    return line;
}

TimeCheck::TimeCheck(SntpClient& client, Synchroniser& sync, CheckView& view,
                     std::vector<TimeServer> servers, std::string logPath)
    : m_client(client), m_sync(sync), m_view(view), m_servers(std::move(servers)),
      m_logPath(std::move(logPath))
{
    m_client.SetStopSignal(&m_stop);
}

TimeCheck::~TimeCheck()
{
    Shutdown();
    m_client.SetStopSignal(nullptr);
}

void TimeCheck::WaitIdle()
{
    if (m_worker.joinable())
        m_worker.join();
}

void TimeCheck::Shutdown()
{
    m_stop.Raise();
    WaitIdle();
}

void TimeCheck::CompareRequest()
{
    Request(false);
}

void TimeCheck::SynchroniseRequest()
{
    Request(true);
}

void TimeCheck::Request(bool synchronise)
{
    if (m_bChecking || m_stop.IsRaised())
        return;
    m_view.SetCheckButtonsEnabled(false);
    g_bSyncMode = synchronise;
    m_bChecking = true;
    // The previous worker handed its end to this thread as its last step;
    // it is about to return, so this join is immediate.
    WaitIdle();
    m_worker = std::thread(&TimeCheck::CheckTimeThreadProc, this, CheckRequest{synchronise, Blink, Log});
}

void TimeCheck::CheckTimeThreadProc(CheckRequest request)
{
    try {
        CheckTime(request);
    } catch (...) {
        // Only allocation can throw here; the check then simply ends.
    }
    // Idle again in one step on the window's thread: no request there can
    // find the check running with its buttons on, or idle with them off.
    m_view.RunOnWindowThread([this] {
        m_bChecking = false;
        m_view.SetCheckButtonsEnabled(true);
    });
}

bool TimeCheck::CheckTime(bool synchronise)
{
    return CheckTime(CheckRequest{synchronise, Blink, Log});
}

bool TimeCheck::CheckTime(const CheckRequest& request)
{
    return request.synchronise ? Synchronise(request) : Compare();
}

bool TimeCheck::Compare()
{
    const ServerAnswer answer = AskServers(m_client, m_servers);
    if (!answer.answered && m_stop.IsRaised())
        return false;   // cut short: nothing was learned
    ServerID = answer.answered ? answer.serverId : kServerNeither;
    if (!answer.answered) {
        m_view.SetMessage(kNoReplyMessage);
        return false;
    }
    m_view.SetMessage(CompareMessage(answer.result.Offset));
    return true;
}

bool TimeCheck::Synchronise(const CheckRequest& request)
{
    const std::optional<SyncOutcome> outcome = m_sync.Synchronise(m_stop);
    if (!outcome) {
        // No helper, or it said nothing usable: which server answered is
        // not known, so ServerID stays.
        if (!m_stop.IsRaised())
            m_view.SetMessage(kSyncFailedMessage);
        return false;
    }
    ServerID = outcome->serverId;
    m_view.SetMessage(SyncOutcomeMessage(*outcome));
    if (!outcome->clockSet)
        return outcome->serverId != kServerNeither;

    // Read after the clock was set; kept in 32 bits, which LastCon's
    // readers take as unsigned (good until 2106).
    const std::time_t now = std::time(nullptr);
    LastCon = static_cast<std::int32_t>(static_cast<std::uint32_t>(now));
    LastDiff = outcome->offset;
    if (request.blink)
        m_view.SetTimer(kBlinkTimerId, kBlinkPeriodMs);
    if (request.log)
        AppendLog(now, outcome->offset);
    return true;
}

void TimeCheck::AppendLog(std::time_t lastCon, double lastDiff)
{
    // Never through a link planted in the folder (into ~/.bashrc, say), and
    // never blocked by a FIFO of that name; a failure loses only the line,
    // the result is shown all the same.
    const int fd = ::open(m_logPath.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const std::string line = SyncLogLine(lastCon, lastDiff);
        // One short write with O_APPEND: the line lands whole at the end.
        [[maybe_unused]] const ssize_t n = ::write(fd, line.data(), line.size());
    }
    ::close(fd);
}

void TimeCheck::OnBlinkTimer()
{
    if (m_nBlinkCount >= 11) {
        m_nBlinkCount = 0;
        m_view.KillTimer(kBlinkTimerId);
        return;
    }
    ++m_nBlinkCount;
    m_view.SetMessage(m_nBlinkCount % 2 == 0 ? std::string() : SyncMessage(LastDiff));
}

void TimeCheck::OnAutoSyncTimer()
{
    m_view.KillTimer(kAutoSyncTimerId);
    SynchroniseRequest();
    m_view.SetTimer(kAutoSyncTimerId, std::int64_t{AutoConDuration} * 60000);
}

void TimeCheck::StartAutoSyncTimer()
{
    if (AutoCon)
        m_view.SetTimer(kAutoSyncTimerId, std::int64_t{AutoConDuration} * 60000);
}
