// The tray frame and the alarm thread: started with the restored windows,
// stopped and saved by the close, notices shown on the user-interface thread.

#include "ShellTestSupport.h"

#include "schedule/CAlarmPopup.h"
#include "schedule/CScheduleThread.h"
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
};

} // namespace

TEST_F(AlarmFrameTest, CloseStopsTheAlarmThreadWhichSavesTheBook)
{
    Frame().RestoreWindows();
    // Loaded once it has made last year's archive beside the live file.
    const int year = LocalYear(std::time(nullptr));
    ASSERT_TRUE(WaitFor([&] { return fs::exists(m_dir / ArchiveFileName(year - 1)); }));
    {
        std::lock_guard lock(g_csScheduleList);
        auto e = std::make_unique<CSchedueleStructure>();
        e->m_tAlarm = std::time(nullptr) + 86400;
        e->m_strMemo = "내일";
        e->m_bLead[kOnTime] = 1;
        g_pScheduleList->push_back(std::move(e));
    }
    bool closed = false;
    QObject::connect(m_frame.get(), &CMainFrame::closed, [&] { closed = true; });
    m_frame->close();
    ASSERT_TRUE(closed);
    const auto saved = ReadScheduleFile((m_dir / kLiveScheduleFile).string());
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), 1u);
    EXPECT_EQ(saved->at(0).m_strMemo, "내일");
    EXPECT_EQ(Stored("SCH_SAVE_STAMP"), year);
}

TEST_F(AlarmFrameTest, AlarmDueNowIsTakenByTheFrameAndSaved)
{
    // The offscreen screen has no panel: the frame turns to the tray and
    // leaves no popup behind.
    Frame().RestoreWindows();
    const int year = LocalYear(std::time(nullptr));
    ASSERT_TRUE(WaitFor([&] { return fs::exists(m_dir / ArchiveFileName(year - 1)); }));
    const std::time_t now = std::time(nullptr);
    {
        std::lock_guard lock(g_csScheduleList);
        auto e = std::make_unique<CSchedueleStructure>(now - 1);
        e->m_tAlarm = now;
        e->m_strMemo = "지금";
        e->m_bLead[kOnTime] = 1;
        g_pScheduleList->push_back(std::move(e));
    }
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(g_csScheduleList);
        return g_pScheduleList->front()->m_bDone == 1;
    }));
    // Saved by the pass that gave the alarm, while the program runs; that
    // pass saves only after the frame has taken its notice.
    ASSERT_TRUE(WaitFor([&] {
        const auto saved = ReadScheduleFile((m_dir / kLiveScheduleFile).string());
        return saved && saved->size() == 1 && saved->at(0).m_bDone == 1;
    }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_frame->findChildren<CAlarmPopup*>().isEmpty());
    EXPECT_TRUE(m_messages.isEmpty());
}
