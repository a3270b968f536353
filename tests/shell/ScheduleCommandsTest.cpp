// The frame's schedule commands: the one manager window and where it opens,
// the year's page, and the alarm page's buttons that run both.

#include "ShellTestSupport.h"

#include "base/UrlOpener.h"
#include "schedule/CScheduleDlg.h"
#include "schedule/ScheduleView.h"
#include "shell/CSetupSheet.h"

#include <QTabWidget>

namespace {

class ScheduleCommandsTest : public ShellTest
{
protected:
    CScheduleDlg* Open()
    {
        m_frame->OnCommand(res::ID_SCHEDULE);
        return m_frame->ScheduleDlg();
    }
    // Where its client area is and is put: the corner saved and restored.
    static QPoint Corner(const QWidget* w) { return w->geometry().topLeft(); }
    static void PutAt(QWidget* w, QPoint at) { w->setGeometry(QRect(at, w->size())); }
    // Lets a closed manager delete itself.
    void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace

TEST_F(ScheduleCommandsTest, OneManagerOpensWhereItsCornerRuleSays)
{
    // The offscreen screen is 800 x 800: a corner 50 px from the right edge
    // is too near it, so the manager opens at half the right and bottom.
    Seed("Vesk_SCHEDLE_DLG_X", 750);
    Seed("Vesk_SCHEDLE_DLG_Y", 100);
    Frame();
    QPointer<CScheduleDlg> first = Open();
    ASSERT_TRUE(first && first->isVisible());
    EXPECT_EQ(Corner(first), QPoint(400, 400));
    PutAt(first, {120, 130});
    EXPECT_EQ(Open(), first) << "a second open leaves the one window where it is";
    EXPECT_EQ(Corner(first), QPoint(120, 130));

    // "닫기" keeps the corner; Esc, like the close box, does not.
    FindControl<QPushButton>(first, res::schedule::IDC_CLOSE)->click();
    Settle();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Stored("Vesk_SCHEDLE_DLG_X"), 120);
    EXPECT_EQ(Stored("Vesk_SCHEDLE_DLG_Y"), 130);
    EXPECT_TRUE(m_store.unsynced().empty()) << "on disk at once";
    QPointer<CScheduleDlg> second = Open();
    ASSERT_TRUE(second);
    EXPECT_EQ(Corner(second), QPoint(120, 130));
    PutAt(second, {200, 210});
    QTest::keyClick(second, Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(second.isNull()) << "gone, so the next open makes a new one";
    EXPECT_EQ(Stored("Vesk_SCHEDLE_DLG_X"), 120);
    EXPECT_EQ(Stored("Vesk_SCHEDLE_DLG_Y"), 130);
}

TEST_F(ScheduleCommandsTest, AlarmPageButtonsRunTheFramesCommands)
{
    QList<QUrl> opened;
    SetUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    Frame();
    CSetupSheet sheet(&Main());
    sheet.show();
    sheet.tabWidget()->setCurrentIndex(2);
    ASSERT_NE(sheet.page(2), nullptr);
    EXPECT_EQ(sheet.tabWidget()->tabText(2), QStringLiteral("알람설정"));

    FindControl<QPushButton>(sheet.page(2), res::alarmpage::IDC_SCHEDULE)->click();
    ASSERT_NE(m_frame->ScheduleDlg(), nullptr);
    FindControl<QPushButton>(sheet.page(2), res::alarmpage::IDC_SCHEDULE_VIEW)->click();
    SetUrlOpener(nullptr);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString((m_dir / kScheduleViewFile).string())));
    EXPECT_TRUE(fs::exists(m_dir / kScheduleViewFile));
}

// The manager opens at its own size with a saved corner as without one,
// not at Qt's default 640 x 480.
TEST_F(ScheduleCommandsTest, TheManagerKeepsItsSizeWithASavedCorner)
{
    Frame();
    QSize sizes[2];
    for (QSize& size : sizes) {
        QPointer<CScheduleDlg> dlg = Open();
        ASSERT_TRUE(dlg);
        size = dlg->size();
        dlg->close();
        Settle();
        Seed("Vesk_SCHEDLE_DLG_X", 100);
        Seed("Vesk_SCHEDLE_DLG_Y", 80);
    }
    EXPECT_EQ(sizes[1], sizes[0]);
    EXPECT_NE(sizes[0], QSize(640, 480));
}
