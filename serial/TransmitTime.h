#pragma once
// Sending the time of day to the selected serial ports: automatically, on
// workers that wait for the compensation point (g_nCompensateTime ms into a
// second), or once by hand; and the send indicator of the serial page while
// the page is shown.

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

constexpr int kTransmitBaud = 4800;
// A message leaves within this many ms of the compensation point.
constexpr int kCompensateWindowMs = 35;
// The indicator lights from this ms of the second after a transmission...
constexpr int kIndicatorFromMs = 930;
// ...for this long.
constexpr auto kIndicatorLit = std::chrono::milliseconds(50);

// CLOCK_REALTIME, to the nanosecond.
using TransmitInstant = std::chrono::sys_time<std::chrono::nanoseconds>;

// The clock the automatic transmission waits on; tests stand in a fake.
class TransmitClock
{
public:
    virtual ~TransmitClock() = default;
    virtual TransmitInstant Now() = 0;
    // Returns at t or a little after, or sooner once keepWaiting() is false;
    // the real clock asks it again only when WakeTransmitWorkers is called.
    virtual void SleepUntil(TransmitInstant t, const std::function<bool()>& keepWaiting) = 0;
};

// The real CLOCK_REALTIME.
TransmitClock& SystemTransmitClock();
// Wakes every worker sleeping on the real clock to look at g_bAutoCOMM,
// g_nCompensateTime and its stop request again; call it after changing one.
void WakeTransmitWorkers();

// Writes message twice to each port g_bComport selects, COM1 to COM4 in
// that order, at kTransmitBaud; a missing or busy port is skipped.
void SendToSelectedPorts(const std::string& message);
// The same for a message that is true only until secondEnds on clock: a
// port reached later is skipped and no byte goes to a port after it, so a
// port that holds up the line cannot make another's time stale; a stop
// request ends the writes at once.
void SendToSelectedPorts(const std::string& message, TransmitClock& clock,
                         TransmitInstant secondEnds, const std::stop_token& stop);

// Where a worker asks for the send indicator; the page implements it.
class SendIndicator
{
public:
    // Lit (bitmap 145) or dark (146); may be called from any thread.
    virtual void ShowSendIndicator(bool lit) = 0;

protected:
    ~SendIndicator() = default;
};

// The serial page while it is shown, else null. Workers read it; only the
// user-interface thread sets it, through SetVisibleRs232cPage.
extern std::atomic<SendIndicator*> g_pVisibleRs232cPage;
// Sets g_pVisibleRs232cPage. Once it returns, no worker is still calling the
// page it replaced, so that page may go.
void SetVisibleRs232cPage(SendIndicator* page);
// Calls ShowSendIndicator(lit) on the shown page; false when none is shown.
bool ShowSendIndicatorOnVisiblePage(bool lit);

// Waits for the next compensation point and returns the clock reading taken
// there: within kCompensateWindowMs of g_nCompensateTime, in the second the
// point belongs to. Sleeps until the point itself, waking before it only to
// see a change. Nothing once g_bAutoCOMM is false or stop is requested.
std::optional<TransmitInstant> WaitForCompensationPoint(TransmitClock& clock,
                                                        const std::stop_token& stop);

// One automatic transmission: the local time of the next compensation point
// as the message, sent to the selected ports while that second lasts; then,
// while the page is shown, the indicator lights at ms 930 of the second.
// Returns the message, empty when g_bAutoCOMM turned false (or stop came)
// before the point.
std::string TransmitTime(TransmitClock& clock, const std::stop_token& stop);

// A worker's entry: runs TransmitTime and returns 0.
int TransmitTimeThreadProc(TransmitClock& clock, const std::stop_token& stop);

// The transmission workers of the program. Each Start runs one worker;
// nothing waits for an earlier one. Destroying this stops them all and
// waits for each.
class TransmitWorkers
{
public:
    explicit TransmitWorkers(TransmitClock& clock) : m_clock(clock) {}
    ~TransmitWorkers();
    TransmitWorkers(const TransmitWorkers&) = delete;
    TransmitWorkers& operator=(const TransmitWorkers&) = delete;

    void Start();
    // Workers that have not ended yet.
    int Running();

private:
    struct Worker
    {
        std::shared_ptr<std::atomic<bool>> done;
        std::jthread thread;
    };
    void reap();

    TransmitClock& m_clock;
    std::list<Worker> m_workers;
};
