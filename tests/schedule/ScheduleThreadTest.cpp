// The alarm thread as a whole: it gives alarms through its host, sounds
// them, saves after each change, and stops without the user interface.

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
        m_thread = std::make_unique<CScheduleThread>(m_host, m_sound, Dir(), [this] { return m_now.load(); });
        m_thread->Start();
        ASSERT_TRUE(Eventually([&] { return m_thread->IsLoaded(); }));
    }
    std::vector<CSchedueleStructure> Saved() { return ReadRecords(ReadAll(m_dir / kLiveScheduleFile)); }
    std::int32_t Stamp() { return std::get<std::int32_t>(m_host.store.values()["SCH_SAVE_STAMP"]); }

    const std::string m_due = Record(Entry(kNine, {kOnTime}, RepeatOnce, "A")) + Record(Entry(kNine, {kOnTime}, RepeatOnce, "B"));
    std::atomic<std::time_t> m_now{kNine - 2};
    FakeHost m_host;
    SoundFakeOutput m_sound;
    std::unique_ptr<CScheduleThread> m_thread;
};

} // namespace

TEST_F(ScheduleThreadTest, AlarmIsShownSoundedAndSavedAtOnce)
{
    Start(m_due);
    m_now = kNine;
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

TEST_F(ScheduleThreadTest, StopNeverWaitsForTheUserInterface)
{
    m_host.runPosts = false;  // the user interface is busy stopping the thread
    Start(m_due);
    m_now = kNine;
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
    m_now = kNine;
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
    m_now = kNine;  // past the retry's second
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
    const EditResult added = AddSchedule(edit, m_now);
    ASSERT_TRUE(added.changed);
    EXPECT_EQ(WaitForBookSave(added.edit, 5s), BookSaved::No);
    edit.hour = 10;
    const EditResult again = AddSchedule(edit, m_now);
    EXPECT_EQ(WaitForBookSave(again.edit, 5s), BookSaved::No) << "an edit is tried at once, in the same second";

    // Retried a second later, with no further edit.
    fs::remove(m_dir / kLiveScheduleFile);
    m_now = m_now + 2;
    ASSERT_TRUE(Eventually([&] { return Saved().size() == 2; }));
    const EditResult deleted = DeleteSchedule(edit, m_now);
    ASSERT_TRUE(deleted.changed);
    EXPECT_EQ(WaitForBookSave(deleted.edit, 5s), BookSaved::Yes);
    EXPECT_EQ(Saved().size(), 1u);

    // No thread, no answer, and no wait for one.
    m_thread->Stop();
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForBookSave(AddSchedule(edit, m_now).edit, 5s), BookSaved::Unknown);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
}

// Idle, the thread makes one pass a second, not one every 10 ms: it reads
// the clock once a pass.
TEST(ScheduleThreadIdle, PassesOncePerSecond)
{
    FakeHost host;
    SoundFakeOutput sound;
    std::atomic<int> reads{0};
    const fs::path dir = fs::temp_directory_path() / ("vesk-idle-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    CScheduleThread thread(host, sound, dir.string(), [&] {
        ++reads;
        return kNine;
    });
    thread.Start();
    ASSERT_TRUE(Eventually([&] { return thread.IsLoaded(); }));
    const int before = reads;
    std::this_thread::sleep_for(2500ms);
    const int passes = reads - before;
    thread.Stop();
    fs::remove_all(dir);
    EXPECT_GE(passes, 2);
    EXPECT_LE(passes, 4);
}
