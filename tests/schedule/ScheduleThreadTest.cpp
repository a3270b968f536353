// The alarm thread as a whole: it loads, gives alarms through its host,
// sounds them, saves after each change, and stops without waiting for the
// user-interface thread.

#include "ScheduleTestSupport.h"
#include "SoundFakeOutput.h"

#include "base/Options.h"
#include "base/SettingsStore.h"
#include "schedule/CScheduleThread.h"
#include "schedule/ScheduleFile.h"

#include <sys/stat.h>

#include <chrono>
#include <deque>
#include <future>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kEmileRate = 16000;  // the test's stand-in for emile.wav

// A host whose "user-interface thread" is whoever calls RunPosted(), or the
// alarm thread itself when posts run at once.
class FakeHost : public ScheduleHost
{
public:
    bool runAtOnce = true;
    AlarmSound sound{true, false, {}};
    MemorySettingsStore store;

    void Post(std::function<void()> work) override
    {
        if (runAtOnce) {
            work();
            return;
        }
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(work));
    }
    void ShowAlarm(const AlarmNotice& notice) override
    {
        std::lock_guard lock(m_mutex);
        m_alarms.push_back(notice);
    }
    void ShowMessage(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
    }
    SettingsStore& Store() override { return store; }
    AlarmSound CurrentAlarmSound() override { return sound; }

    std::vector<AlarmNotice> Alarms()
    {
        std::lock_guard lock(m_mutex);
        return m_alarms;
    }
    std::vector<std::string> Messages()
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::size_t Posted()
    {
        std::lock_guard lock(m_mutex);
        return m_posted.size();
    }

private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
    std::vector<AlarmNotice> m_alarms;
    std::vector<std::string> m_messages;
};

// A mono 16-bit wave file of 10 ms at kEmileRate.
std::string WaveFile()
{
    const std::uint32_t data = kEmileRate / 100 * 2;
    std::string w = "RIFF";
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            w.push_back(static_cast<char>(v >> (8 * i)));
    };
    const auto u16 = [&](std::uint16_t v) {
        w.push_back(static_cast<char>(v));
        w.push_back(static_cast<char>(v >> 8));
    };
    u32(36 + data);
    w += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(kEmileRate);
    u32(kEmileRate * 2);
    u16(2);
    u16(16);
    w += "data";
    u32(data);
    w += std::string(data, '\0');
    return w;
}

template <typename F>
bool Eventually(F cond, std::chrono::milliseconds limit = 5s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class ScheduleThreadTest : public ScheduleTest
{
protected:
    void SetUp() override
    {
        ScheduleTest::SetUp();
        WriteAll(m_dir / kAlarmWaveFile, WaveFile());
    }
    void TearDown() override
    {
        m_thread.reset();
        ScheduleTest::TearDown();
    }
    // A thread on the fake clock, its book holding entries.
    CScheduleThread& Start(std::initializer_list<CSchedueleStructure> entries)
    {
        std::string bytes;
        for (const auto& e : entries)
            AppendRecord(bytes, e);
        WriteAll(m_dir / kLiveScheduleFile, bytes);
        m_thread = std::make_unique<CScheduleThread>(m_host, m_sound, Dir(), [this] { return m_now.load(); });
        m_thread->Start();
        return *m_thread;
    }
    std::vector<CSchedueleStructure> Saved()
    {
        return ReadRecords(ReadAll(m_dir / kLiveScheduleFile));
    }
    std::size_t Plays(std::uint32_t rate)
    {
        std::size_t n = 0;
        for (const auto& p : m_sound.Plays())
            n += p.rate == rate;
        return n;
    }

    std::atomic<std::time_t> m_now{At(2003, 3, 5, 8, 59, 58)};
    FakeHost m_host;
    SoundFakeOutput m_sound;
    std::unique_ptr<CScheduleThread> m_thread;
};

const std::time_t kNine = At(2003, 3, 5, 9);

} // namespace

TEST_F(ScheduleThreadTest, AlarmIsShownSoundedAndSavedAtOnce)
{
    Start({Entry(kNine, {kOnTime}, RepeatOnce, "A"), Entry(kNine, {kOnTime}, RepeatOnce, "B")});
    ASSERT_TRUE(Eventually([&] { return ListEntries().size() == 2; }));
    m_now = kNine;
    ASSERT_TRUE(Eventually([&] { return Plays(kEmileRate) == 1; }));
    const auto alarms = m_host.Alarms();
    ASSERT_EQ(alarms.size(), 1u);  // two entries, one notice, one sound
    EXPECT_EQ(alarms[0].text, "[알림] A\r\n[알림] B\r\n");
    // Saved by the pass that gave the alarm, long before the program ends.
    ASSERT_TRUE(Eventually([&] {
        const auto saved = Saved();
        return saved.size() == 2 && saved[0].m_bDone == 1 && saved[1].m_bDone == 1;
    }));
    m_thread->Stop();
    EXPECT_EQ(std::get<std::int32_t>(m_host.store.values()["SCH_SAVE_STAMP"]), 2003);
    EXPECT_TRUE(m_thread->m_bFinished);
    EXPECT_EQ(m_sound.Plays().size(), 1u);
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(ScheduleThreadTest, SoundFollowsTheOptions)
{
    struct Row
    {
        AlarmSound sound;
        std::uint32_t heard;  // 0: nothing
    };
    const Row rows[] = {
        {{false, false, {}}, 0},
        {{true, false, {}}, kEmileRate},
        {{true, true, {}}, kToneRate},                           // no file chosen
        {{true, true, "/nonexistent/x.wav"}, kToneRate},
        {{true, true, (m_dir / "notes.txt").string()}, kToneRate},  // not a wave
    };
    WriteAll(m_dir / "notes.txt", "RIFF, but not really");
    for (const Row& row : rows) {
        SoundFakeOutput output;
        PlayAlarmSound(row.sound, Dir(), output);
        const auto plays = output.Plays();
        if (!row.heard) {
            EXPECT_TRUE(plays.empty());
            continue;
        }
        ASSERT_EQ(plays.size(), 1u);
        EXPECT_EQ(plays[0].rate, row.heard);
    }
    // The user's file when chosen, wherever it is.
    SoundFakeOutput output;
    PlayAlarmSound({true, true, (m_dir / kAlarmWaveFile).string()}, "/nonexistent", output);
    ASSERT_EQ(output.Plays().size(), 1u);
    EXPECT_EQ(output.Plays()[0].rate, kEmileRate);
}

TEST_F(ScheduleThreadTest, ChangesAreSavedAtTheNextPass)
{
    Start({});
    ASSERT_TRUE(Eventually([&] { return m_thread->IsLoaded(); }));
    Add(Entry(At(2003, 6, 1), {kOnTime}, RepeatOnce, "new"));
    NotifyScheduleChanged();
    ASSERT_TRUE(Eventually([&] { return Saved().size() == 1; }));
    EXPECT_EQ(Saved()[0].m_strMemo, "new");
}

TEST_F(ScheduleThreadTest, StopDoesNotWaitForANoticeTheUserInterfaceNeverTakes)
{
    // The user-interface thread is busy stopping the thread: posts never run.
    m_host.runAtOnce = false;
    Start({Entry(kNine, {kOnTime})});
    ASSERT_TRUE(Eventually([&] { return ListEntries().size() == 1; }));
    m_now = kNine;
    ASSERT_TRUE(Eventually([&] { return m_host.Posted() >= 1; }));
    const auto begin = std::chrono::steady_clock::now();
    m_thread->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_TRUE(m_sound.Plays().empty());  // the dropped notice has no sound
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].m_bDone, 1);
    // The stamp, never written by a post, is written at the stop.
    EXPECT_EQ(std::get<std::int32_t>(m_host.store.values()["SCH_SAVE_STAMP"]), 2003);
}

TEST_F(ScheduleThreadTest, StopWaitsForASoundToEnd)
{
    m_sound.HoldRate(kEmileRate);
    Start({Entry(kNine, {kOnTime})});
    ASSERT_TRUE(Eventually([&] { return ListEntries().size() == 1; }));
    m_now = kNine;
    ASSERT_TRUE(m_sound.WaitActive(1));
    auto stopped = std::async(std::launch::async, [&] { m_thread->Stop(); });
    EXPECT_EQ(stopped.wait_for(100ms), std::future_status::timeout);
    EXPECT_FALSE(m_thread->m_bFinished);
    m_sound.Release();
    EXPECT_EQ(stopped.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(m_thread->m_bFinished);
    EXPECT_EQ(Saved().at(0).m_bDone, 1);
}

TEST_F(ScheduleThreadTest, UnreadableBookIsReportedAndNeverOverwritten)
{
    // A FIFO stands where the live file should be.
    m_thread = std::make_unique<CScheduleThread>(m_host, m_sound, Dir(), [this] { return m_now.load(); });
    ASSERT_EQ(::mkfifo((m_dir / kLiveScheduleFile).c_str(), 0644), 0);
    m_thread->Start();
    ASSERT_TRUE(Eventually([&] { return m_host.Messages().size() == 1; }));
    EXPECT_EQ(m_host.Messages()[0], kNoScheduleFileText);
    Add(Entry(At(2003, 6, 1), {kOnTime}));
    NotifyScheduleChanged();
    m_thread->Stop();
    EXPECT_TRUE(fs::is_fifo(m_dir / kLiveScheduleFile));
}

TEST_F(ScheduleThreadTest, NewYearBacksUpOnceAndStampsTheYear)
{
    m_host.store.values()["SCH_SAVE_STAMP"] = 2002;
    Start({Entry(At(2003, 6, 1), {kOnTime})});
    ASSERT_TRUE(Eventually([&] { return fs::exists(m_dir / "forward_v3_3.sch_"); }));
    m_thread->Stop();
    EXPECT_EQ(std::get<std::int32_t>(m_host.store.values()["SCH_SAVE_STAMP"]), 2003);
}

TEST_F(ScheduleThreadTest, NeverStartedThreadSavesNothing)
{
    WriteAll(m_dir / kLiveScheduleFile, "keep");
    {
        CScheduleThread idle(m_host, m_sound, Dir());
    }
    EXPECT_EQ(ReadAll(m_dir / kLiveScheduleFile), "keep");
}
