#pragma once

#include "time/Compare.h"
#include "time/SntpClient.h"
#include "time/StopSignal.h"
#include "time/HelperSynchroniser.h"

#include "resources/ResourceIds.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
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
    // Runs work on the window's thread, later; dropped if the window goes first.
    virtual void RunOnWindowThread(std::function<void()> work) = 0;
};

constexpr int kAutoSyncTimerId = res::TIMER_AUTOSYNC;   // period AutoConDuration minutes
constexpr int kBlinkTimerId = res::TIMER_BLINK;
constexpr int kBlinkPeriodMs = 100;

inline constexpr const char* kSyncLogFile = "VeskLog.txt";

// What the next worker does: true synchronise, false compare.
extern std::atomic<bool> g_bSyncMode;

// One line of the synchronisation log: the local time of lastCon and by how
// much the PC was ahead (negative: behind), in seconds.
std::string SyncLogLine(std::time_t lastCon, double lastDiff);

// A request with the options it needs, taken on the window's thread when
// it is made: the settings page may change them while the worker runs.
struct CheckRequest
{
    bool synchronise = false;
    bool blink = false;   // Blink
    bool log = false;     // Log
};

// Compare and synchronise, one at a time, on a worker thread; the blink of
// the result and the automatic synchronisation timer. Requests and timer
// ticks come from the window's thread. A compare asks the servers itself;
// a synchronise goes to sync, which runs the helper that sets the clock.
class TimeCheck
{
public:
    TimeCheck(SntpClient& client, Synchroniser& sync, CheckView& view,
              std::vector<TimeServer> servers = DefaultTimeServers(),
              std::string logPath = kSyncLogFile);
    // Waits for a running worker: it uses the client and the view.
    ~TimeCheck();

    // Starts a compare (synchronise) unless a check is running or the
    // check was shut down.
    void CompareRequest();
    void SynchroniseRequest();

    // One compare or synchronise, on the calling thread. False when no
    // server answered; true otherwise, also when the clock was not set.
    bool CheckTime(const CheckRequest& request);
    // The same with Blink and Log as they are now.
    bool CheckTime(bool synchronise);
    // Body of the worker: CheckTime, then back to idle on the window's thread.
    void CheckTimeThreadProc(CheckRequest request);

    // A tick of the blink timer.
    void OnBlinkTimer();
    // The automatic synchronisation timer fired.
    void OnAutoSyncTimer();
    // Starts the automatic synchronisation timer when AutoCon is on.
    void StartAutoSyncTimer();

    bool IsChecking() const { return m_bChecking.load(); }
    // Waits until the worker, if any, has ended.
    void WaitIdle();
    // Ends a running check at once (its wait for a server or the helper
    // is cut short), waits for its worker, and refuses every later
    // request. The window calls it at close, while its event loop runs.
    void Shutdown();

    const std::vector<TimeServer>& Servers() const { return m_servers; }

private:
    void Request(bool synchronise);
    bool Compare();
    bool Synchronise(const CheckRequest& request);
    void AppendLog(std::time_t lastCon, double lastDiff);

    SntpClient& m_client;
    Synchroniser& m_sync;
    CheckView& m_view;
    const std::vector<TimeServer> m_servers;
    const std::string m_logPath;
    StopSignal m_stop;
    std::atomic<bool> m_bChecking{false};
    std::thread m_worker;
    int m_nBlinkCount = 1;   // 1 at start, so the first blink has ten changes
};
