// The tray frame and the alarm thread: started with the restored windows,
// stopped and saved by the close, notices taken on the user-interface thread.

#include "ShellTestSupport.h"

#include "schedule/CAlarmPopup.h"
#include "schedule/ScheduleFile.h"

namespace {

class AlarmFrameTest : public ShellTest
{
protected:
    void TearDown() override
    {
        ShellTest::TearDown();
        std::lock_guard lock(g_csScheduleList);
        g_pScheduleList->clear();
    }
    // The live file with one entry at alarm, last checked at lastCheck.
    void SeedBook(std::time_t alarm, std::time_t lastCheck)
    {
        CSchedueleStructure e(lastCheck);
        e.m_tAlarm = alarm;
        e.m_strMemo = "회의";
        e.m_bLead[kOnTime] = 1;
        std::string bytes;
        AppendRecord(bytes, e);
        std::ofstream(m_dir / kLiveScheduleFile, std::ios::binary) << bytes;
    }
    std::vector<CSchedueleStructure> Saved()
    {
        return ReadScheduleFile((m_dir / kLiveScheduleFile).string()).value_or(
            std::vector<CSchedueleStructure>{});
    }
};

} // namespace

TEST_F(AlarmFrameTest, CloseStopsTheAlarmThreadWhichSavesTheBook)
{
    const std::time_t now = std::time(nullptr);
    SeedBook(now + 86400, now - 3600);
    Frame().RestoreWindows();
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(g_csScheduleList);
        return !g_pScheduleList->empty() && g_pScheduleList->front()->m_tLastCheck >= now;
    }));
    bool closed = false;
    QObject::connect(m_frame.get(), &CMainFrame::closed, [&] { closed = true; });
    m_frame->close();
    ASSERT_TRUE(closed);
    // Saved as the thread stopped, with the last check of its last pass.
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].m_strMemo, "회의");
    EXPECT_GE(saved[0].m_tLastCheck, now);
    EXPECT_EQ(Stored("SCH_SAVE_STAMP"), LocalYear(now));
}

TEST_F(AlarmFrameTest, AlarmDueNowIsTakenByTheFrameAndSaved)
{
    // The offscreen screen has no panel: the frame turns to the tray and
    // leaves no popup behind.
    const std::time_t now = std::time(nullptr);
    SeedBook(now + 1, now);
    Frame().RestoreWindows();
    // Saved by the pass that gave the alarm, while the program runs; that
    // pass saves only after the frame has taken its notice.
    ASSERT_TRUE(WaitFor([&] {
        const auto saved = Saved();
        return saved.size() == 1 && saved[0].m_bDone == 1;
    }, 5000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_frame->findChildren<CAlarmPopup*>().isEmpty());
    EXPECT_TRUE(m_messages.isEmpty());
}
