#include "time/TimeCheck.h"

#include "base/Options.h"

#include <cmath>
#include <cstdio>

std::atomic<bool> g_bSyncMode{false};

std::string SyncMessage(double offset)
{
    char text[96];
    std::snprintf(text, sizeof text, " %.3f 초 이내에서 동기되었습니다.", std::fabs(offset));
    return text;
}

std::string SyncLogLine(std::time_t lastCon, double lastDiff)
{
    std::tm tm{};
    localtime_r(&lastCon, &tm);
    char line[96];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d:%02d %.3f\n", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, -lastDiff);
    return line;
}

TimeCheck::TimeCheck(SntpClient& client, CheckView& view, std::vector<TimeServer> servers,
                     std::string logPath)
    : m_client(client), m_view(view), m_servers(std::move(servers)), m_logPath(std::move(logPath))
{
}

TimeCheck::~TimeCheck()
{
    WaitIdle();
}

void TimeCheck::WaitIdle()
{
    if (m_worker.joinable())
        m_worker.join();
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
    if (m_bChecking)
        return;
    m_view.SetCheckButtonsEnabled(false);
    g_bSyncMode = synchronise;
    m_bChecking = true;
    // The previous worker cleared m_bChecking as its last step; it is
    // about to return, so this join is immediate.
    WaitIdle();
    m_worker = std::thread(&TimeCheck::CheckTimeThreadProc, this);
}

void TimeCheck::CheckTimeThreadProc()
{
    try {
        CheckTime(g_bSyncMode);
    } catch (...) {
        // Only allocation can throw here; the check then simply ends.
    }
    // Buttons first: a request that slips in between is dropped, rather
    // than a new check's buttons being enabled under it.
    m_view.SetCheckButtonsEnabled(true);
    m_bChecking = false;
}

bool TimeCheck::CheckTime(bool synchronise)
{
    const ServerAnswer answer = AskServers(m_client, m_servers);
    const bool answered = answer.serverId <= static_cast<int>(m_servers.size());
    ServerID = answered ? answer.serverId : kServerNeither;
    if (!answered) {
        m_view.SetMessage(kNoReplyMessage);
        return false;
    }
    const double offset = answer.result.Offset;
    if (!synchronise) {
        m_view.SetMessage(CompareMessage(offset));
        return true;
    }

    // Read after the exchange ended, so the time spent since is included.
    const NtpTimestamp newTime = NtpTimestamp::Now().AddSeconds(offset);
    if (!m_client.SetSystemClock(newTime)) {
        m_view.SetMessage(kSyncFailedMessage);
        return true;
    }
    m_view.SetMessage(SyncMessage(offset));
    const std::time_t now = std::time(nullptr);
    LastCon = static_cast<std::int32_t>(now);
    LastDiff = offset;
    if (Blink)
        m_view.SetTimer(kBlinkTimerId, kBlinkPeriodMs);
    if (Log)
        AppendLog(now, offset);
    return true;
}

void TimeCheck::AppendLog(std::time_t lastCon, double lastDiff)
{
    std::FILE* f = std::fopen(m_logPath.c_str(), "a");
    if (!f)
        return;   // the result is shown all the same
    const std::string line = SyncLogLine(lastCon, lastDiff);
    std::fputs(line.c_str(), f);
    std::fclose(f);
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
