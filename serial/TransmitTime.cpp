#include "serial/TransmitTime.h"

#include <ctime>
#include <mutex>

#include "base/Options.h"
#include "serial/SerialPort.h"
#include "serial/TimeMessage.h"

using namespace std::chrono;

std::atomic<SendIndicator*> g_pVisibleRs232cPage{nullptr};

namespace {

// Held while a worker calls the shown page, and while the page is replaced.
std::mutex g_indicatorMutex;

int MillisecondOf(TransmitInstant t)
{
    return int(duration_cast<milliseconds>(t - floor<seconds>(t)).count());
}

// The first instant at or after now that lies ms into its second.
TransmitInstant NextPoint(TransmitInstant now, int ms)
{
    const TransmitInstant point = floor<seconds>(now) + milliseconds(ms);
    return point >= now ? point : point + seconds(1);
}

// Sleeps until target; false as soon as keepWaiting() turns false, which a
// stop request makes the sleep notice at once.
bool WaitUntil(TransmitClock& clock, TransmitInstant target, const std::stop_token& stop,
               const std::function<bool()>& keepWaiting)
{
    const std::stop_callback wake(stop, WakeTransmitWorkers);
    for (;;) {
        if (!keepWaiting())
            return false;
        if (clock.Now() >= target)
            return true;
        clock.SleepUntil(target, keepWaiting);
    }
}

// Writes message twice to each selected port, COM1 to COM4 in turn; giveUpAt()
// is asked just before each port, and a port without one is skipped.
template <typename GiveUpAt>
void SendToPorts(const std::string& message, const std::stop_token& stop, GiveUpAt giveUpAt)
{
    for (int n = 1; n <= kComPortCount; ++n) {
        if (!g_bComport[n - 1])
            continue;
        const std::optional<SerialPort::TimePoint> until = giveUpAt();
        if (!until || stop.stop_requested())
            continue;
        SerialPort port(stop);
        if (!port.Open(n, kTransmitBaud))
            continue;
        port.Write(message.data(), int(message.size()), *until);
        port.Write(message.data(), int(message.size()), *until);
        port.Close();
    }
}

// After a transmission, while the page is shown: lights the indicator at
// ms 930 of the second and puts it out kIndicatorLit later.
void LightIndicatorAt930(TransmitClock& clock, const std::stop_token& stop)
{
    const auto shown = [&] {
        return g_bAutoCOMM && g_pVisibleRs232cPage.load() != nullptr && !stop.stop_requested();
    };
    if (!shown())
        return;
    const TransmitInstant now = clock.Now();
    const TransmitInstant at = MillisecondOf(now) >= kIndicatorFromMs
                                   ? now
                                   : floor<seconds>(now) + milliseconds(kIndicatorFromMs);
    if (!WaitUntil(clock, at, stop, shown))
        return;
    ShowSendIndicatorOnVisiblePage(true);
    WaitUntil(clock, clock.Now() + kIndicatorLit, stop, [&] { return !stop.stop_requested(); });
    ShowSendIndicatorOnVisiblePage(false);
}

}  // namespace

void SendToSelectedPorts(const std::string& message)
{
    SendToPorts(message, {}, [] { return std::optional(SerialPort::TimePoint::max()); });
}

void SendToSelectedPorts(const std::string& message, TransmitClock& clock,
                         TransmitInstant secondEnds, const std::stop_token& stop)
{
    SendToPorts(message, stop, [&]() -> std::optional<SerialPort::TimePoint> {
        // The clock read afresh for each port: one that held up the line
        // before it may have used the second up.
        const nanoseconds left = secondEnds - clock.Now();
        if (left <= nanoseconds::zero())
            return std::nullopt;
        return steady_clock::now() + left;
    });
}

void SetVisibleRs232cPage(SendIndicator* page)
{
    const std::lock_guard lock(g_indicatorMutex);
    g_pVisibleRs232cPage = page;
}

bool ShowSendIndicatorOnVisiblePage(bool lit)
{
    const std::lock_guard lock(g_indicatorMutex);
    SendIndicator* page = g_pVisibleRs232cPage;
    if (page == nullptr)
        return false;
    page->ShowSendIndicator(lit);
    return true;
}

std::optional<TransmitInstant> WaitForCompensationPoint(TransmitClock& clock,
                                                        const std::stop_token& stop)
{
    const auto running = [&] { return g_bAutoCOMM && !stop.stop_requested(); };
    while (running()) {
        // Read afresh on every pass: the page may change it while we wait.
        const int point = g_nCompensateTime;
        const TransmitInstant target = NextPoint(clock.Now(), point);
        if (!WaitUntil(clock, target, stop, [&] { return running() && g_nCompensateTime == point; }))
            continue;  // stopped, or aimed at a point that moved
        const TransmitInstant reading = clock.Now();
        const int ms = MillisecondOf(reading);
        if (ms >= point - kCompensateWindowMs && ms <= point + kCompensateWindowMs)
            return reading;
        // Woken past the window (a busy machine): aim at the next second's point.
    }
    return std::nullopt;
}

std::string TransmitTime(TransmitClock& clock, const std::stop_token& stop)
{
    const std::optional<TransmitInstant> at = WaitForCompensationPoint(clock, stop);
    if (!at)
        return {};
    const TransmitInstant second = floor<seconds>(*at);
    const std::time_t named = system_clock::to_time_t(second);
    std::tm local{};
    ::localtime_r(&named, &local);
    std::string message = TimeMessage(local.tm_hour, local.tm_min, local.tm_sec);
    SendToSelectedPorts(message, clock, second + seconds(1), stop);
    LightIndicatorAt930(clock, stop);
    return message;
}

int TransmitTimeThreadProc(TransmitClock& clock, const std::stop_token& stop)
{
    TransmitTime(clock, stop);
    return 0;
}

TransmitWorkers::~TransmitWorkers()
{
    for (Worker& w : m_workers)
        w.thread.request_stop();
    m_workers.clear();  // each jthread joins
}

void TransmitWorkers::Start()
{
    reap();
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back({done, std::jthread([this, done](std::stop_token stop) {
                             TransmitTimeThreadProc(m_clock, stop);
                             *done = true;
                         })});
}

int TransmitWorkers::Running()
{
    reap();
    return int(m_workers.size());
}

void TransmitWorkers::reap()
{
    m_workers.remove_if([](const Worker& w) { return w.done->load(); });
}
