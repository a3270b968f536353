// The alarm thread as a whole: it gives alarms through its host, sounds
// them, saves after each change, and stops without the user interface.

#include "FakeAlarmClock.h"
#include "ScheduleTestSupport.h"
#include "SoundFakeOutput.h"

#include "base/NextSecond.h"
#include "base/SettingsStore.h"
#include "schedule/CScheduleThread.h"
#include "schedule/ScheduleBook.h"

#include <sys/stat.h>

#include <future>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kEmileRate = 16000;  // resources/emile.wav
const std::time_t kNine = Local(2003, 3, 5, 9);

// Posts run at once on the alarm thread, or never (a busy user interface).
struct FakeHost : ScheduleHost
{
    bool runPosts = true;
    std::atomic<int> dropped{0};
    MemorySettingsStore store;
    std::vector<AlarmNotice> alarms;
    std::vector<std::string> messages;

    void Post(std::function<void()> work) override { runPosts ? work() : void(++dropped); }
    void ShowAlarm(const AlarmNotice& notice) override { alarms.push_back(notice); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    SettingsStore& Store() override { return store; }
    AlarmSound CurrentAlarmSound() override { return {true, false, {}}; }
};

template <typename F>
bool Eventually(F cond)
{
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!cond() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(2ms);
    return cond();
}

class ScheduleThreadTest : public ScheduleTest
{
protected:
    void TearDown() override
    {
        m_thread.reset();
        ScheduleTest::TearDown();
    }
    void Start(const std::string& book)
    {
        fs::copy_file(fs::path(VESK_RESOURCES_DIR) / kAlarmWaveFile, m_dir / kAlarmWaveFile);
        if (!fs::exists(m_dir / kLiveScheduleFile))
            WriteAll(m_dir / kLiveScheduleFile, book);
        m_thread = std::make_unique<CScheduleThread>(m_host, m_sound, Dir(), &m_clock);
        m_thread->Start();
        ASSERT_TRUE(Eventually([&] { return m_thread->IsLoaded(); }));
    }
    std::vector<CSchedueleStructure> Saved() { return ReadRecords(ReadAll(m_dir / kLiveScheduleFile)); }
    std::int32_t Stamp() { return std::get<std::int32_t>(m_host.store.values()["SCH_SAVE_STAMP"]); }

    const std::string m_due = Record(Entry(kNine, {kOnTime}, RepeatOnce, "A")) + Record(Entry(kNine, {kOnTime}, RepeatOnce, "B"));
    FakeAlarmClock m_clock{kNine - 2};
    FakeHost m_host;
    SoundFakeOutput m_sound;
    std::unique_ptr<CScheduleThread> m_thread;
};

} // namespace

TEST_F(ScheduleThreadTest, AlarmIsShownSoundedAndSavedAtOnce)
{
    Start(m_due);
    m_clock.Set(kNine);
    // Saved by the pass that gave the alarm, long before the program ends,
    // and again after a change.
    ASSERT_TRUE(Eventually([&] { return Saved().size() == 2 && Saved()[1].m_bDone == 1; }));
    // A change wakes the thread: saved within the second it was made in,
    // not at the next second's pass.
    std::this_thread::sleep_for(UntilNextSecond(std::chrono::system_clock::now()) + 100ms);
    const std::time_t changedIn = SecondsNow();
    Add(Entry(Local(2003, 6, 1), {kOnTime}));
    NotifyScheduleChanged();
    ASSERT_TRUE(Eventually([&] { return Saved().size() == 3; }));
    EXPECT_EQ(SecondsNow(), changedIn);
    ASSERT_TRUE(Eventually([&] { return !m_sound.Plays().empty(); }));
    m_thread->Stop();
    ASSERT_EQ(m_host.alarms.size(), 1u);  // two entries, one notice, one sound
    EXPECT_EQ(m_host.alarms[0].text, "[알림] A\r\n[알림] B\r\n");
    ASSERT_EQ(m_sound.Plays().size(), 1u);
    EXPECT_EQ(m_sound.Plays()[0].rate, kEmileRate);
    EXPECT_EQ(Stamp(), 2003);

    // The options choose the sound; what cannot be played gives the beep.
    const std::pair<AlarmSound, std::uint32_t> rows[] = {
        {{false, false, {}}, 0}, {{true, true, {}}, kToneRate}, {{true, true, Dir() + "/none.wav"}, kToneRate},
        {{true, true, Dir() + "/" + kAlarmWaveFile}, kEmileRate}};
    for (const auto& [sound, heard] : rows) {
        SoundFakeOutput output;
        PlayAlarmSound(sound, "/nonexistent", output);
        EXPECT_EQ(output.Plays().empty() ? 0 : output.Plays()[0].rate, heard);
    }
}

// The alarm falls on a second, as the clock's tick does: it waits the tick
// out and plays its own sound, not the beep. Where nothing can be heard it
// rings the desktop's bell.
TEST(AlarmSoundTest, WaitsOutTheTickAndRingsTheBellWithoutADevice)
{
    SoundFakeOutput output;
    output.HoldRate(kTickFileRate);
    std::thread tick([&] { PlayTick(output, std::string(VESK_RESOURCES_DIR) + "/tick.wav"); });
    ASSERT_TRUE(output.WaitActive(1));
    std::thread alarm([&] { EXPECT_TRUE(PlayAlarmSound({true, false, {}}, VESK_RESOURCES_DIR, output)); });
    std::this_thread::sleep_for(50ms);
    output.Release();
    tick.join();
    alarm.join();
    const auto plays = output.Plays();
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[1].rate, kEmileRate);

    int rung = 0;
    SetBell([&] { ++rung; });
    SoundFakeOutput silent;
    silent.Refuse([](const WavSound&) { return true; });
    EXPECT_TRUE(PlayAlarmSound({true, false, {}}, VESK_RESOURCES_DIR, silent));
    SetBell(nullptr);
    EXPECT_EQ(rung, 1);
}

TEST_F(ScheduleThreadTest, StopNeverWaitsForTheUserInterface)
{
    m_host.runPosts = false;  // the user interface is busy stopping the thread
    Start(m_due);
    m_clock.Set(kNine);
    ASSERT_TRUE(Eventually([&] { return m_host.dropped > 0; }));
    const auto begin = std::chrono::steady_clock::now();
    m_thread->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_TRUE(m_sound.Plays().empty());  // a dropped notice has no sound
    EXPECT_EQ(Saved().at(0).m_bDone, 1);
    EXPECT_EQ(Stamp(), 2003);
}

TEST_F(ScheduleThreadTest, StopWaitsForASoundToEnd)
{
    m_sound.HoldRate(kEmileRate);
    Start(m_due);
    m_clock.Set(kNine);
    ASSERT_TRUE(m_sound.WaitActive(1));
    auto stopped = std::async(std::launch::async, [&] { m_thread->Stop(); });
    EXPECT_EQ(stopped.wait_for(100ms), std::future_status::timeout);
    m_sound.Release();
    EXPECT_EQ(stopped.wait_for(5s), std::future_status::ready);
}

TEST_F(ScheduleThreadTest, FailedSaveIsTriedAgainWithoutAnotherChange)
{
    Start({});
    // A folder in the book's place: the save after the change fails.
    fs::remove(m_dir / kLiveScheduleFile);
    fs::create_directory(m_dir / kLiveScheduleFile);
    Add(Entry(Local(2003, 6, 1), {kOnTime}));
    NotifyScheduleChanged();
    std::this_thread::sleep_for(300ms);
    fs::remove(m_dir / kLiveScheduleFile);
    m_clock.Set(kNine);  // past the retry's second
    EXPECT_TRUE(Eventually([&] { return Saved().size() == 1; }));
}

TEST_F(ScheduleThreadTest, UnreadableBookIsReportedAndNeverOverwritten)
{
    ASSERT_EQ(::mkfifo((m_dir / kLiveScheduleFile).c_str(), 0644), 0);
    Start({});
    Add(Entry(Local(2003, 6, 1), {kOnTime}));
    NotifyScheduleChanged();
    m_thread->Stop();
    { CScheduleThread idle(m_host, m_sound, Dir()); }  // nor by one never started
    EXPECT_EQ(m_host.messages, std::vector<std::string>{kNoScheduleFileText});
    EXPECT_TRUE(fs::is_fifo(m_dir / kLiveScheduleFile));
}

TEST_F(ScheduleThreadTest, EditsHearWhetherTheirSaveHeldAndFailedSavesAreRetried)
{
    Start({});
    fs::remove(m_dir / kLiveScheduleFile);
    fs::create_directory(m_dir / kLiveScheduleFile);  // cannot be replaced, not even by root
    ScheduleEdit edit{.year = 2003, .month = 6, .day = 1, .hour = 9, .memo = "저장", .repeat = RepeatOnce};
    const EditResult added = AddSchedule(edit, m_clock.Now());
    ASSERT_TRUE(added.changed);
    EXPECT_EQ(WaitForBookSave(added.edit, 5s), BookSaved::No);
    edit.hour = 10;
    const EditResult again = AddSchedule(edit, m_clock.Now());
    EXPECT_EQ(WaitForBookSave(again.edit, 5s), BookSaved::No) << "an edit is tried at once, in the same second";

    // Retried a second later, with no further edit.
    fs::remove(m_dir / kLiveScheduleFile);
    m_clock.Set(m_clock.Now() + 2);
    ASSERT_TRUE(Eventually([&] { return Saved().size() == 2; }));
    const EditResult deleted = DeleteSchedule(edit, m_clock.Now());
    ASSERT_TRUE(deleted.changed);
    EXPECT_EQ(WaitForBookSave(deleted.edit, 5s), BookSaved::Yes);
    EXPECT_EQ(Saved().size(), 1u);

    // No thread, no answer, and no wait for one.
    m_thread->Stop();
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForBookSave(AddSchedule(edit, m_clock.Now()).edit, 5s), BookSaved::Unknown);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
}

// The thread sleeps until an alarm may be due; time that passes short of
// it makes no pass, while an edit, a step of the clock and the point itself
// each wake it.
TEST_F(ScheduleThreadTest, SleepsUntilItHasWork)
{
    Start(Record(Entry(kNine + 3600, {2}, RepeatOnce, "A")));  // 5분전: 09:55
    ASSERT_TRUE(Eventually([&] { return m_clock.SleepingUntil() == kNine + 3300; }));
    const int slept = m_clock.Sleeps();
    m_clock.Set(kNine + 3000);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(m_clock.Sleeps(), slept);

    // An entry added for sooner is seen at once, and rings at its time.
    Add(Entry(kNine + 3010, {kOnTime}, RepeatOnce, "B"));
    NotifyScheduleChanged();
    ASSERT_TRUE(Eventually([&] { return m_clock.SleepingUntil() == kNine + 3010; }));
    m_clock.Set(kNine + 3010);
    // The sleep after the alarm is seen first: the alarm is shown by then.
    ASSERT_TRUE(Eventually([&] { return m_clock.SleepingUntil() == kNine + 3300 && m_host.alarms.size() == 1; }));
    EXPECT_EQ(m_host.alarms[0].text, "[알림] B\r\n");

    // Set back by an hour, the clock wakes the thread; A's point stays ahead.
    const int before = m_clock.Sleeps();
    m_clock.Step(kNine);
    ASSERT_TRUE(Eventually([&] { return m_clock.Sleeps() > before && m_clock.SleepingUntil() == kNine + 3300; }));
    m_clock.Set(kNine + 3300);
    // Nothing is left to ring: the longest sleep.
    ASSERT_TRUE(Eventually([&] {
        return m_clock.SleepingUntil() == kNine + 3300 + CScheduleThread::kMaxSleepS && m_host.alarms.size() == 2;
    }));
    EXPECT_EQ(m_host.alarms[1].text, "[5분전] A\r\n");
}

// On the system clock, idle, the thread makes no pass at all; an edit wakes
// it at once, and a stop ends its sleep.
TEST(ScheduleThreadIdle, SleepsOnTheSystemClock)
{
    struct CountingClock : AlarmClock
    {
        SystemAlarmClock clock;
        std::atomic<int> sleeps{0};
        std::time_t Now() override { return clock.Now(); }
        void SleepUntil(std::time_t point) override
        {
            ++sleeps;
            clock.SleepUntil(point);
        }
        void Wake() override { clock.Wake(); }
    } clock;
    FakeHost host;
    SoundFakeOutput sound;
    const fs::path dir = fs::temp_directory_path() / ("vesk-idle-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    CScheduleThread thread(host, sound, dir.string(), &clock);
    thread.Start();
    ASSERT_TRUE(Eventually([&] { return thread.IsLoaded() && clock.sleeps == 1; }));
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(clock.sleeps, 1);
    NotifyScheduleChanged();
    EXPECT_TRUE(Eventually([&] { return clock.sleeps == 2; }));
    const auto begin = std::chrono::steady_clock::now();
    thread.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 500ms);
    fs::remove_all(dir);
}
