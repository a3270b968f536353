// Measures the automatic transmission as timer 4112 drives it with a
// one-second period: where in the second each message's first byte reaches
// the line (a pseudo-terminal here), whether it names that second, and how
// much processor time the transmissions take.
//   vesk-transmit-bench [COUNT [COMPENSATION_MS]] [--spin]
// --spin reads the clock without sleeping while it waits, for comparison.

#include <pty.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/Options.h"
#include "serial/SerialPort.h"
#include "serial/TimeMessage.h"
#include "serial/TransmitTime.h"

namespace {

using namespace std::chrono;

// Never sleeps: every wait is a spin on the clock.
class SpinningClock final : public TransmitClock
{
public:
    TransmitInstant Now() override { return SystemTransmitClock().Now(); }
    void SleepUntil(TransmitInstant, const std::function<bool()>&) override {}
};

double ThreadCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double ProcessCpuMs()
{
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    const auto ms = [](const timeval& tv) { return tv.tv_sec * 1e3 + tv.tv_usec / 1e3; };
    return ms(ru.ru_utime) + ms(ru.ru_stime);
}

struct Arrival
{
    TransmitInstant firstByte;
    std::string bytes;
};

// Reads count transmissions of 18 bytes from the master side.
void ReadTransmissions(int master, int count, std::vector<Arrival>& out, double& cpuMs,
                       const std::atomic<bool>& give_up)
{
    const double cpu0 = ThreadCpuMs();
    Arrival current;
    while (int(out.size()) < count && !give_up) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const TransmitInstant at = SystemTransmitClock().Now();
        char buf[64];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0)
            continue;
        if (current.bytes.empty())
            current.firstByte = at;
        current.bytes.append(buf, std::size_t(n));
        if (current.bytes.size() >= 18) {
            out.push_back(current);
            current = {};
        }
    }
    cpuMs = ThreadCpuMs() - cpu0;
}

std::string MessageOfSecond(TransmitInstant t)
{
    const std::time_t s = system_clock::to_time_t(floor<seconds>(t));
    std::tm tm{};
    ::localtime_r(&s, &tm);
    return TimeMessage(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

}  // namespace

int main(int argc, char** argv)
{
    int count = 60;
    int compensate = 500;
    bool spin = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--spin"))
            spin = true;
        else
            numbers.push_back(std::atoi(argv[i]));
    }
    if (numbers.size() > 0)
        count = std::max(1, numbers[0]);
    if (numbers.size() > 1)
        compensate = std::clamp(numbers[1], kCompensateTimeMin, kCompensateTimeMax);

    int master = -1, slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    SetComDevice(1, name);
    for (int n = 2; n <= kComPortCount; ++n)
        SetComDevice(n, "/nonexistent");
    g_bComport[0] = true;
    g_nCompensateTime = compensate;
    g_bAutoCOMM = true;

    std::vector<Arrival> arrivals;
    double readerCpu = 0;
    std::atomic<bool> giveUp{false};
    std::thread reader(ReadTransmissions, master, count, std::ref(arrivals), std::ref(readerCpu),
                       std::cref(giveUp));

    SpinningClock spinning;
    TransmitClock& clock = spin ? static_cast<TransmitClock&>(spinning) : SystemTransmitClock();
    // Each worker's own processor time, from its start to its end.
    std::vector<double> workerCpu(std::size_t(count), 0.0);
    const double mainCpu0 = ThreadCpuMs();
    const double cpu0 = ProcessCpuMs();
    {
        // Timer 4112 with N = 1 second: one worker per firing, as
        // TransmitWorkers::Start makes them.
        std::vector<std::jthread> workers;
        const auto start = steady_clock::now();
        for (int k = 0; k < count; ++k) {
            std::this_thread::sleep_until(start + seconds(k));
            workers.emplace_back([&clock, &workerCpu, k](std::stop_token stop) {
                TransmitTimeThreadProc(clock, stop);
                workerCpu[std::size_t(k)] = ThreadCpuMs();
            });
        }
        // The last worker may wait most of a second for its point.
        std::this_thread::sleep_for(milliseconds(1500));
        g_bAutoCOMM = false;
        WakeTransmitWorkers();
    }
    const double mainCpu = ThreadCpuMs() - mainCpu0;
    giveUp = true;
    reader.join();
    const double transmitCpu = ProcessCpuMs() - cpu0 - readerCpu - mainCpu;

    std::vector<double> offsets;
    int named = 0;
    for (const Arrival& a : arrivals) {
        const TransmitInstant point = floor<seconds>(a.firstByte) + milliseconds(compensate);
        offsets.push_back(duration<double, std::milli>(a.firstByte - point).count());
        const std::string m = MessageOfSecond(a.firstByte);
        if (a.bytes == m + m)
            ++named;
    }
    std::sort(offsets.begin(), offsets.end());
    const auto at = [&](double q) {
        return offsets.empty() ? 0.0 : offsets[std::size_t(q * double(offsets.size() - 1) + 0.5)];
    };
    std::printf("%d transmissions of %d, compensation %d ms, one every 1000 ms%s\n",
                int(arrivals.size()), count, compensate, spin ? ", spinning waits" : "");
    std::printf("  messages naming the second their first byte arrived in: %d of %d\n", named,
                int(arrivals.size()));
    std::printf("  first byte after the compensation point: min %+.3f ms, median %+.3f ms, "
                "95%% %+.3f ms, max %+.3f ms\n", at(0), at(0.5), at(0.95), at(1));
    std::printf("  processor time of the transmissions: %.1f ms, %.2f ms per transmission; "
                "one worker's most %.2f ms\n",
                transmitCpu, arrivals.empty() ? 0.0 : transmitCpu / double(arrivals.size()),
                *std::max_element(workerCpu.begin(), workerCpu.end()));
    ::close(master);
    ::close(slave);
    const bool ok = int(arrivals.size()) == count && named == count;
    return ok ? 0 : 1;
}
