// Runs the alarm thread on a folder's book with a clock that starts at a
// given time, printing "loaded" and then the text of every alarm, until
// it is killed. The stored year of the last save is given too.
//   schedule-alarm-run DIR START_TIME SAVE_STAMP

#include "SoundFakeOutput.h"

#include "base/Options.h"
#include "base/SettingsStore.h"
#include "schedule/CScheduleThread.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

struct PrintingHost : ScheduleHost
{
    MemorySettingsStore store;

    void Post(std::function<void()> work) override { work(); }
    void ShowAlarm(const AlarmNotice& notice) override { Print(notice.text); }
    void ShowMessage(const std::string& text) override { Print("message " + text + "\n"); }
    SettingsStore& Store() override { return store; }
    AlarmSound CurrentAlarmSound() override { return {}; }

    static void Print(const std::string& text)
    {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
};

// Reads start when made, and runs at the real pace from there.
class ShiftedClock final : public AlarmClock
{
public:
    explicit ShiftedClock(std::time_t start) : m_start(start) {}

    std::time_t Now() override
    {
        using namespace std::chrono;
        return m_start + duration_cast<seconds>(steady_clock::now() - m_begun).count();
    }
    void SleepUntil(std::time_t point) override
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait_until(lock, m_begun + std::chrono::seconds(point - m_start), [&] { return m_woken; });
        m_woken = false;
    }
    void Wake() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_woken = true;
        }
        m_wake.notify_all();
    }

private:
    const std::time_t m_start;
    const std::chrono::steady_clock::time_point m_begun = std::chrono::steady_clock::now();
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_woken = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    PrintingHost host;
    WriteScheduleSaveStamp(host.store, std::atoi(argv[3]));
    SoundFakeOutput sound;
    ShiftedClock clock(std::atoll(argv[2]));
    CScheduleThread thread(host, sound, argv[1], &clock);
    thread.Start();
    while (!thread.IsLoaded())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PrintingHost::Print("loaded\n");
    for (;;)
        ::pause();
}
