#include "serial/TransmitTime.h"

#include <ctime>
#include <mutex>

#include "base/Options.h"
#include "serial/SerialPort.h"
#include "serial/TimeMessage.h"

using namespace std::chrono;

std::atomic<SendIndicator*> g_pVisibleRs232cPage{nullptr};

namespace {

// The waits sleep in slices of at most kSlice, so a change of g_bAutoCOMM
// ends them at once, and spin on the clock only for the last kSpin.
constexpr auto kSlice = milliseconds(10);
constexpr auto kSpin = milliseconds(1);

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

// Sleeps until shortly before target, then reads the clock until it gets
// there. False as soon as keepWaiting() turns false.
template <typename Keep>
bool WaitUntil(TransmitClock& clock, TransmitInstant target, Keep keepWaiting)
{
    for (;;) {
        if (!keepWaiting())
            return false;
        const TransmitInstant now = clock.Now();
        if (now >= target)
            return true;
        if (target - now > kSpin)
            clock.SleepUntil(std::min<TransmitInstant>(target - kSpin, now + kSlice));
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
    if (!WaitUntil(clock, at, shown))
        return;
    ShowSendIndicatorOnVisiblePage(true);
    clock.SleepUntil(clock.Now() + kIndicatorLit);
    ShowSendIndicatorOnVisiblePage(false);
}

}  // namespace

void SendToSelectedPorts(const std::string& message)
{
    for (int n = 1; n <= kComPortCount; ++n) {
        if (!g_bComport[n - 1])
            continue;
        SerialPort port;
        if (!port.Open(n, kTransmitBaud))
            continue;
        port.Write(message.data(), int(message.size()));
        port.Write(message.data(), int(message.size()));
        port.Close();
    }
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
        if (!WaitUntil(clock, target, [&] { return running() && g_nCompensateTime == point; }))
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
    const std::time_t second = system_clock::to_time_t(floor<seconds>(*at));
    std::tm local{};
    ::localtime_r(&second, &local);
    std::string message = TimeMessage(local.tm_hour, local.tm_min, local.tm_sec);
    SendToSelectedPorts(message);
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
