// The program on a user's desktop: with or without a tray, where windows
// appear and which takes the focus, what is saved when, and the end of a
// session.

#include "ShellTestSupport.h"

#include "FileTestSupport.h"

#include "base/WindowPlacement.h"

#include "clocks/CClockWnd.h"
#include "clocks/ClockTicker.h"
#include "clocks/CWorldTimeDlg.h"
#include "schedule/CScheduleDlg.h"
#include "shell/ScreenSaver.h"
#include "shell/TerminationSignals.h"

#include <QColorDialog>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>
#include <QWindow>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <future>

namespace {

class DesktopTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        m_previousSwitch = SetScreenSaverSwitch([this](bool on) {
            m_switched.push_back(on);
            return true;
        });
    }
    void TearDown() override
    {
        SetScreenSaverSwitch(m_previousSwitch);
        ShellTest::TearDown();
    }

    ScreenSaverSwitch m_previousSwitch;
    std::vector<bool> m_switched;
};

} // namespace

// Opening and cancelling the sheet leaves the desktop's screen saver (and
// the lock that may hang on it) alone; changing SCR switches it once.
TEST_F(DesktopTest, ScreenSaverIsSwitchedOnlyWhenTheUserChangedIt)
{
    Frame().RestoreWindows();
    Main().runSettingsSheet = [](QWidget*) {};
    Main().ApplySettings();
    EXPECT_TRUE(m_switched.empty());
    EXPECT_TRUE(fs::exists(SystemIniPath()));   // the entry is written all the same

    Main().runSettingsSheet = [](QWidget*) { SCR = true; };
    Main().ApplySettings();
    Main().runSettingsSheet = [](QWidget*) {};
    Main().ApplySettings();
    Main().runSettingsSheet = [](QWidget*) { SCR = false; };
    Main().ApplySettings();
    EXPECT_EQ(m_switched, (std::vector<bool>{true, false}));
}

// Without a notification area nothing may vanish out of reach: the main
// window shows at start whatever INITWIN says, and hiding it minimises it.
TEST_F(DesktopTest, WithoutATrayTheMainWindowStaysReachable)
{
    m_tray = false;
    Seed("INITWIN", kInitWinNone);
    Frame().RestoreWindows();
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(g_nInitWin, kInitWinMain);

    Button(1)->click();   // 감추기
    EXPECT_TRUE(Main().isVisible());
    EXPECT_TRUE(Main().isMinimized());
    EXPECT_EQ(g_nInitWin, kInitWinNone);
    ShowRestored(&Main());
    QTest::keyClick(&Main(), Qt::Key_Escape);
    EXPECT_TRUE(Main().isMinimized());
    // "모두감추기" hides no more than the taskbar brings back.
    ShowRestored(&Main());
    m_frame->OnCommand(res::ID_HIDE_ALL);
    EXPECT_TRUE(Main().isVisible() && Main().isMinimized());

    // The slim clock's "닫기" with the main window hidden leaves it minimised.
    Main().hide();
    m_frame->ShowSlimClock(true);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(m_frame->SlimClock(), &menu);
    m_frame->PopupMenu()->hide();
    m_frame->OnCommand(res::ID_CLOSE_CLOCK);
    EXPECT_FALSE(m_frame->SlimClock()->isVisible());
    EXPECT_TRUE(Main().isVisible() && Main().isMinimized());

    // With a tray, INITWIN 0 shows nothing, "모두감추기" leaves the main
    // window alone and hiding hides.
    m_tray = true;
    Frame().RestoreWindows();
    EXPECT_FALSE(Main().isVisible());
    ShowRestored(&Main());
    m_frame->OnCommand(res::ID_HIDE_ALL);
    EXPECT_TRUE(Main().isVisible() && !Main().isMinimized());
    Button(1)->click();
    EXPECT_FALSE(Main().isVisible());
}

// The first run finds the main window in the middle of the work area, and
// Enter hides nothing. (Which window takes the focus, the offscreen
// platform cannot tell: the desktop test looks at that.)
TEST_F(DesktopTest, FirstRunCentresAndEnterHidesNothing)
{
    Frame().RestoreWindows();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect g = Main().geometry();
    // Within the frame's border, which the platform adds as the window shows.
    EXPECT_LE(std::abs(g.center().x() - area.center().x()), 3);
    EXPECT_LE(std::abs(g.center().y() - area.center().y()), 3);

    for (QWidget* target : {static_cast<QWidget*>(&Main()), static_cast<QWidget*>(Button(1))}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(Main().isVisible());
    }
}

// A slim clock that never showed keeps the corner it had; closed world
// clocks go, and stop ticking; a cascade starts where the last window is.
TEST_F(DesktopTest, ClockWindowsKeepOnlyWhatTheyShowed)
{
    Seed("KORSLIM_X", 300);
    Seed("KORSLIM_Y", 200);
    Frame().RestoreWindows();
    m_frame->ShowWorldClock(0, "UTC");
    m_frame->ShowWorldClock(1, "London");
    CClockWnd* first = WorldWindows()[0];
    const int faces = ClockTicker::Instance().Faces();
    first->close();
    ASSERT_TRUE(WaitFor([&] { return WorldWindows().size() == 1; }));
    EXPECT_EQ(ClockTicker::Instance().Faces(), faces - 1);

    // The window manager (or the user) put the last one elsewhere.
    m_frame->ResetWorldClockCascade();
    m_frame->ShowWorldClock(0, "UTC");
    WorldWindows().back()->move(300, 200);
    m_frame->ShowWorldClock(0, "UTC");
    EXPECT_EQ(WorldWindows().back()->pos(), QPoint(350, 250));

    m_frame.reset();
    EXPECT_EQ(Stored("KORSLIM_X"), 300);
    EXPECT_EQ(Stored("KORSLIM_Y"), 200);
}

// New clocks, world and slim, open where they hide none of the program's
// windows, on the work area.
TEST_F(DesktopTest, NewClocksHideNoneOfTheProgramsWindows)
{
    Seed("Vesk_X", 100);
    Seed("Vesk_Y", 120);
    Frame().RestoreWindows();
    Main().ShowWorldTime();
    m_frame->OpenScheduleManager();
    std::vector<QWidget*> others{&Main(), Main().WorldTimeDlg(), m_frame->ScheduleDlg()};
    for (int i = 0; i < 4; ++i)
        m_frame->ShowWorldClock(1, "London");
    m_frame->PlaceSlimClock();
    m_frame->ShowSlimClock(true);
    std::vector<QWidget*> clocks(m_frame->ClockWindows().begin(), m_frame->ClockWindows().end());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (std::size_t i = 0; i < clocks.size(); ++i) {
        const QRect g = clocks[i]->frameGeometry();
        EXPECT_TRUE(area.contains(g)) << i;
        for (const QWidget* other : others)
            EXPECT_FALSE(g.intersects(other->frameGeometry())) << i << " " << other->windowTitle().toStdString();
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(g.intersects(clocks[j]->frameGeometry())) << i << " " << j;
    }
}

// Modal dialogs open above the program's windows that stay on top, and
// above everything while nothing of the program shows (a message at start).
TEST_F(DesktopTest, DialogsOpenInSightOfTopmostWindows)
{
    KeepDialogsInSight(*qApp);
    const auto opensOnTop = [](QWidget* parent) {
        QDialog dialog(parent);
        dialog.setModal(true);
        dialog.show();
        const bool onTop = dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
        dialog.hide();
        return onTop;
    };
    EXPECT_TRUE(opensOnTop(nullptr));
    Seed("Top", 1);
    Frame().RestoreWindows();
    EXPECT_TRUE(opensOnTop(&Main()));
    Top = false;
    SetTopmost(&Main(), false);
    EXPECT_FALSE(opensOnTop(&Main()));
    // The sheet from the tray while a topmost manager is up.
    Top = true;
    m_frame->OpenScheduleManager();
    EXPECT_TRUE(opensOnTop(&Main()));
}

// Each save operation ends with one sync: nothing it wrote waits in memory.
TEST_F(DesktopTest, EverySaveEndsSynced)
{
    Seed("INITWIN", kInitWinSlim);
    Frame().RestoreWindows();
    const auto synced = [this](const char* what) {
        EXPECT_TRUE(m_store.unsynced().empty()) << what;
        EXPECT_GT(m_store.syncs(), 0) << what;
    };
    m_frame->SlimClock()->close();
    synced("slim clock closed");
    Main().runSettingsSheet = [](QWidget*) {};
    Main().ApplySettings();
    synced("settings applied");
    Main().Hide();
    synced("hidden");
    const int before = m_store.syncs();
    bool closed = false;
    QObject::connect(m_frame.get(), &CMainFrame::closed, [&] { closed = true; });
    m_frame->OnCommand(res::ID_APP_EXIT);
    ASSERT_TRUE(WaitFor([&] { return closed; }));
    synced("exit");
    EXPECT_LE(m_store.syncs() - before, 3);   // main window, schedule stamp, frame
}

// The session's end, or SIGTERM, saves what the exit saves; the session's
// own request for the state saves it and leaves every window open.
TEST_F(DesktopTest, SessionEndSavesAsTheExitDoes)
{
    Frame().RestoreWindows();
    m_frame->ShowWorldClock(1, "London");
    Main().move(120, 90);
    const std::int32_t lastCon = LastCon;
    LastCon = 1046822703;

    m_frame->SaveSession();
    EXPECT_EQ(Stored("LastCon"), 1046822703);
    EXPECT_EQ(Stored("INITWIN"), kInitWinMain);
    EXPECT_EQ(Stored("WORLDDLG0_AREACODE"), 1);
    EXPECT_TRUE(m_store.unsynced().empty());
    EXPECT_TRUE(Main().isVisible() && WorldWindows()[0]->isVisible());

    m_store.values().clear();
    bool closed = false;
    QObject::connect(m_frame.get(), &CMainFrame::closed, [&] { closed = true; });
    TerminationSignals terminate([this](int signal) {
        if (signal == SIGTERM)
            m_frame->EndSession();
    });
    ASSERT_TRUE(terminate.active());
    ::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return closed; }));
    EXPECT_EQ(Stored("Vesk_X"), Main().geometry().x());
    EXPECT_EQ(Stored("LastCon"), 1046822703);
    EXPECT_EQ(Stored("INITWIN"), kInitWinMain);
    EXPECT_EQ(Stored("WORLDDLG0_AREACODE"), 1);
    EXPECT_TRUE(m_store.unsynced().empty());
    LastCon = lastCon;
}

// A lock that cannot be made is reported as what it is, not as a second
// copy.
TEST_F(DesktopTest, ALockThatCannotBeMadeSaysWhy)
{
    // The lock's name taken by a folder: the lock cannot exist (as root,
    // a folder without rights would not do).
    fs::permissions(m_dir, fs::perms::owner_all);
    fs::create_directory(m_dir / "Vesk3.lock");
    {
        CClockApp app;
        EXPECT_EQ(app.InitInstance(), 1);
    }
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("실행 잠금 파일을 만들 수 없습니다.")))
        << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].contains(QString::fromStdString((m_dir / "Vesk3.lock").string())));
    EXPECT_TRUE(m_messages[0].contains(QString::fromLocal8Bit(std::strerror(EISDIR)))) << m_messages[0].toStdString();
}

// A second start, whatever its environment (no XDG_RUNTIME_DIR, as su and
// ssh give), is refused in the same folder and brings the first copy's
// main window back from the taskbar.
TEST_F(DesktopTest, ASecondStartIsRefusedAndShowsTheFirst)
{
    fs::permissions(m_dir, fs::perms::owner_all);
    CClockApp first({{"127.0.0.1", ClosedLoopbackPort()}});
    ASSERT_EQ(first.InitInstance(), std::nullopt);
    CMainClockDlg* main = first.Frame()->MainWindow();
    main->showMinimized();
    ASSERT_TRUE(main->isMinimized());

    const EnvScope noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    // The second runs beside the first's event loop, as another process would.
    auto second = std::async(std::launch::async, [] { return CClockApp().InitInstance(); });
    ASSERT_TRUE(WaitFor([&] { return second.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                        5000));
    EXPECT_EQ(second.get(), 1);
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("이미 실행중인 프로그램이 있습니다")});
    EXPECT_TRUE(main->isVisible() && !main->isMinimized());
    EXPECT_EQ(g_nInitWin, kInitWinMain);
}

// Every window, message boxes included, carries the program's icon, and
// Qt's own dialogs speak Korean.
TEST(Application, WindowsCarryTheIconAndQtSpeaksKorean)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    const bool translated = SetUpApplication(*app);
    EXPECT_FALSE(QMessageBox().windowIcon().isNull());
    if (translated) {
        EXPECT_NE(QColorDialog().windowTitle(), QStringLiteral("Select Color"));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("취소"));
    }
    for (QTranslator* t : app->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    app->setWindowIcon(QIcon());
    if (!translated)
        GTEST_SKIP() << "Qt's Korean translations (qt6-translations-l10n) are not installed";
}
