#pragma once

#include "time/Compare.h"
#include "time/SntpClient.h"

#include "resources/ResourceIds.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

// What a compare or synchronise shows in the main window. The worker calls
// it from its own thread; the window carries each call out on its thread
// and must not block the caller on that thread (the window's thread may be
// waiting for the worker).
class CheckView
{
public:
    virtual ~CheckView() = default;
    virtual void SetMessage(const std::string& text) = 0;   // the message line
    virtual void SetCheckButtonsEnabled(bool enabled) = 0;  // compare and synchronise
    virtual void SetTimer(int id, std::int64_t periodMs) = 0;
    virtual void KillTimer(int id) = 0;
};

constexpr int kAutoSyncTimerId = res::TIMER_AUTOSYNC;   // period AutoConDuration minutes
constexpr int kBlinkTimerId = res::TIMER_BLINK;
constexpr int kBlinkPeriodMs = 100;

inline constexpr const char* kSyncFailedMessage = "동기에 실패했습니다.";
inline constexpr const char* kSyncLogFile = "VeskLog.txt";

// What the next worker does: true synchronise, false compare.
extern std::atomic<bool> g_bSyncMode;

// The synchronised message for an offset in seconds (its size is shown).
std::string SyncMessage(double offset);
// One line of the synchronisation log: the local time of lastCon and by how
// much the PC was ahead (negative: behind), in seconds.
std::string SyncLogLine(std::time_t lastCon, double lastDiff);

// Compare and synchronise, one at a time, on a worker thread; the blink of
// the result and the automatic synchronisation timer. Requests and timer
// ticks come from the window's thread.
class TimeCheck
{
public:
    TimeCheck(SntpClient& client, CheckView& view,
              std::vector<TimeServer> servers = DefaultTimeServers(),
              std::string logPath = kSyncLogFile);
    // Waits for a running worker: it uses the client and the view.
    ~TimeCheck();

    // Starts a compare (synchronise) unless a check is running.
    void CompareRequest();
    void SynchroniseRequest();

    // One compare or synchronise, on the calling thread. False when no
    // server answered; true otherwise, also when the clock was not set.
    bool CheckTime(bool synchronise);
    // Body of the worker: CheckTime(g_bSyncMode), then back to idle.
    void CheckTimeThreadProc();

    // A tick of the blink timer.
    void OnBlinkTimer();
    // The automatic synchronisation timer fired.
    void OnAutoSyncTimer();
    // Starts the automatic synchronisation timer when AutoCon is on.
    void StartAutoSyncTimer();

    bool IsChecking() const { return m_bChecking.load(); }
    // Waits until the worker, if any, has ended.
    void WaitIdle();

private:
    void Request(bool synchronise);
    void AppendLog(std::time_t lastCon, double lastDiff);

    SntpClient& m_client;
    CheckView& m_view;
    const std::vector<TimeServer> m_servers;
    const std::string m_logPath;
    std::atomic<bool> m_bChecking{false};
    std::thread m_worker;
    int m_nBlinkCount = 1;   // 1 at start, so the first blink has ten changes
};
