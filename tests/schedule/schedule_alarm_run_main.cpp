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
#include <cstdio>
#include <cstdlib>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    PrintingHost host;
    WriteScheduleSaveStamp(host.store, std::atoi(argv[3]));
    SoundFakeOutput sound;
    const std::time_t start = std::atoll(argv[2]);
    const auto begun = std::chrono::steady_clock::now();
    CScheduleThread thread(host, sound, argv[1], [&] {
        using namespace std::chrono;
        return start + duration_cast<seconds>(steady_clock::now() - begun).count();
    });
    thread.Start();
    while (!thread.IsLoaded())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    PrintingHost::Print("loaded\n");
    for (;;)
        ::pause();
}
