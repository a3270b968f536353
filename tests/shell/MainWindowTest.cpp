// The main window and the tray frame, through their real widgets.

#include "ShellTestSupport.h"

#include "base/QtColor.h"

TEST_F(ShellTest, ControlsCarryTheirNumbersAndTexts)
{
    Frame();
    EXPECT_EQ(Main().windowTitle(), "Vesk3");
    const std::pair<int, const char*> buttons[] = {
        {9, "세계시"}, {306, "설정"}, {11, "도움말"}, {1, "감추기"}, {300, "비교"}, {301, "동기"}};
    for (const auto& [id, text] : buttons) {
        QPushButton* b = Button(id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_EQ(b->text(), QString::fromUtf8(text));
    }
    EXPECT_NE(FindControl<CDigitalClock>(&Main(), 1012), nullptr);
    EXPECT_NE(FindControl<CColorLabel>(&Main(), 304), nullptr);
    EXPECT_NE(FindControl<QWidget>(&Main(), 1000), nullptr);

    // Menu 106 in its order, separators included.
    QStringList items;
    for (QAction* a : m_frame->PopupMenu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->data().toString() + a->text());
    EXPECT_EQ(items.join(' '), QStringLiteral("32773표준시 비교 32774표준시 동기 - 32775환경설정 "
                                              "32776세계시각 32779일정관리 32780일정보기 32772도움말 "
                                              "- 32777닫기 32778모두감추기 - 32771종료"));
}

TEST_F(ShellTest, CompareAtStartShowsTheResultAndFreesTheButtons)
{
    FakeSntpServer server({.offset = 2.55, .delay = 0.1});   // mid-digit: load may skew a few ms
    Seed("AutoCompare", 1);
    Frame({{"127.0.0.1", server.Port()}});
    // Running: both buttons off, and a second press starts nothing; the
    // last result shows greyed, then the new one in the message colour.
    const auto* label = FindControl<CColorLabel>(&Main(), res::main::IDC_MESSAGE);
    EXPECT_FALSE(Button(300)->isEnabled());
    EXPECT_FALSE(Button(301)->isEnabled());
    EXPECT_NE(label->textColor(), ColorRefToQColor(TxtColor2));
    Main().CompareRequest();
    ASSERT_TRUE(WaitFor([&] { return Button(300)->isEnabled(); }));
    EXPECT_TRUE(Button(301)->isEnabled());
    EXPECT_EQ(label->textColor(), ColorRefToQColor(TxtColor2));
    EXPECT_TRUE(Message().startsWith(QStringLiteral("사용자 PC가 2.5"))) << Message().toStdString();
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(ServerID, 1);
}

TEST_F(ShellTest, SynchroniseBlinksThroughTheWindowTimer)
{
    FakeSntpServer server({.offset = -0.2502});
    Seed("Blink", 1);
    Frame({{"127.0.0.1", server.Port()}});
    Button(301)->click();
    ASSERT_TRUE(WaitFor([&] { return Button(301)->isEnabled(); }));
    EXPECT_EQ(m_clock.steps, 1);
    EXPECT_TRUE(Main().Timers().IsRunning(res::TIMER_BLINK));
    // The blink ends with the text shown and the timer stopped.
    ASSERT_TRUE(WaitFor([&] { return !Main().Timers().IsRunning(res::TIMER_BLINK); }));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ 0\\.2[3-7]\\d 초 이내에서 동기되었습니다\\.$"))
                    .match(Message()).hasMatch()) << Message().toStdString();
}

TEST_F(ShellTest, ClosingDuringACheckEndsItAtOnce)
{
    // The compare at start waits on a silent server when the window
    // closes: the wait ends there, and what was known before is saved.
    FakeSntpServer silent({.silent = true});
    Seed("AutoCompare", 1);
    Seed("ServerID", kServerPrimary);
    Frame({{"127.0.0.1", silent.Port()}});
    ASSERT_TRUE(WaitFor([&] { return silent.Requests() == 1; }));
    QElapsedTimer t;
    t.start();
    Main().close();
    EXPECT_LT(t.elapsed(), 500);
    // Its worker is gone: idle at once, not after the 2 s of the wait.
    EXPECT_TRUE(WaitFor([&] { return !Main().Check().IsChecking(); }, 300));
    EXPECT_EQ(ServerID, kServerPrimary);
    EXPECT_EQ(Stored("ServerID"), kServerPrimary);
}

TEST_F(ShellTest, AutomaticSynchronisationTimerFollowsTheSettings)
{
    Seed("AutoConDuration", 5);
    Frame();
    EXPECT_EQ(Main().Timers().Period(res::TIMER_AUTOSYNC), 5 * 60000);

    // Stopped while the sheet is open, restarted after with the new period.
    bool stoppedMeanwhile = false;
    Main().runSettingsSheet = [&](QWidget*) {
        stoppedMeanwhile = !Main().Timers().IsRunning(res::TIMER_AUTOSYNC);
        AutoConDuration = 144000;
    };
    Main().ApplySettings();
    EXPECT_TRUE(stoppedMeanwhile);
    EXPECT_EQ(Main().Timers().Period(res::TIMER_AUTOSYNC), 144000LL * 60000);

    // Turned off in the sheet: stays off.
    Main().runSettingsSheet = [](QWidget*) { AutoCon = false; };
    Main().ApplySettings();
    EXPECT_FALSE(Main().Timers().IsRunning(res::TIMER_AUTOSYNC));
}

TEST_F(ShellTest, ApplySettingsAppliesAndSavesWhateverTheSheetSaid)
{
    Frame();
    m_store.clearWriteLog();
    Main().runSettingsSheet = [](QWidget*) {
        TxtColor2 = 0x0000FF;   // red text
        BgColor2 = 0xFF0000;    // blue background
        Top = false;
    };
    Main().ApplySettings();
    auto* label = FindControl<CColorLabel>(&Main(), 304);
    const QImage img = label->grab().toImage();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(0, 0, 255));
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(g_nInitWin, kInitWinMain);
    EXPECT_FALSE(Main().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Stored("TxtColor2"), 0x0000FF);
    EXPECT_EQ(Stored("Top"), 0);
    ASSERT_FALSE(m_store.writeLog().empty());
    EXPECT_EQ(m_store.writeLog().front(), "AutoCon");
    EXPECT_EQ(m_store.writeLog().back(), "WaveFileName");
}

TEST_F(ShellTest, HideEscapeAndCloseSaveWhatTheyShould)
{
    CMainFrame& frame = Frame();
    ASSERT_TRUE(frame.RestoreWindows());
    ASSERT_TRUE(Main().isVisible());
    Main().move(120, 80);

    // Esc hides and saves nothing.
    m_store.clearWriteLog();
    QTest::keyClick(&Main(), Qt::Key_Escape);
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(m_store.writeLog().empty());
    EXPECT_EQ(g_nInitWin, kInitWinMain);

    // The hide button saves the position and remembers nothing is shown.
    Main().show();
    g_bMainVisible = true;
    Button(1)->click();
    EXPECT_FALSE(Main().isVisible());
    EXPECT_EQ(Stored("Vesk_X"), Main().geometry().x());
    EXPECT_EQ(g_nInitWin, kInitWinNone);
    EXPECT_FALSE(g_bMainVisible);

    // Close: position, last synchronisation, then the frame's INITWIN.
    bool closed = false;
    QObject::connect(&frame, &CMainFrame::closed, [&] { closed = true; });
    Main().show();
    m_store.clearWriteLog();
    Main().close();
    ASSERT_TRUE(WaitFor([&] { return closed; }));
    // The main window's part, the schedule book's save stamp as the alarm
    // thread stops, the world clocks' slots, then INITWIN.
    const std::vector<std::string>& log = m_store.writeLog();
    ASSERT_GE(log.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 5),
              (std::vector<std::string>{"Vesk_X", "Vesk_Y", "LastCon", "LastDiff", "ServerID"}));
    EXPECT_EQ(log.back(), "INITWIN");
    EXPECT_EQ(log[5], "SCH_SAVE_STAMP");
    EXPECT_EQ(log[6], "WORLDDLG0_AREACODE");
    EXPECT_EQ(Stored("INITWIN"), kInitWinNone);   // hidden before the close
}

TEST_F(ShellTest, RestoreShowsTheWindowOfTheLastRun)
{
    struct Row { int initWin; bool mainShown; int now; };
    for (const Row r : {Row{0, false, 0}, Row{1, true, 1}, Row{7, false, 0}}) {
        Seed("INITWIN", r.initWin);
        Frame();
        ASSERT_TRUE(m_frame->RestoreWindows());
        EXPECT_EQ(Main().isVisible(), r.mainShown) << r.initWin;
        EXPECT_EQ(g_nInitWin, r.now);
        m_frame.reset();
    }
    // The tray's left click brings the main window back.
    Seed("INITWIN", 0);
    Frame().RestoreWindows();
    g_bMainVisible = false;
    m_frame->OnTrayActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(g_nInitWin, kInitWinMain);
    EXPECT_TRUE(g_bMainVisible);
    // Other clicks do nothing of their own.
    Main().hide();
    m_frame->OnTrayActivated(QSystemTrayIcon::Context);
    EXPECT_FALSE(Main().isVisible());
}

TEST_F(ShellTest, SavedPositionsApplyOnlyOnAScreen)
{
    Seed("Vesk_X", 100);
    Seed("Vesk_Y", 50);
    Frame().RestoreWindows();
    EXPECT_EQ(Main().geometry().topLeft(), QPoint(100, 50));
    m_frame.reset();

    Seed("Vesk_X", 5000);   // a screen that was unplugged
    Frame().RestoreWindows();
    EXPECT_NE(Main().pos(), QPoint(5000, 50));
    m_frame.reset();

    m_store.values().erase("Vesk_Y");   // half a pair is no position
    Seed("Vesk_X", 100);
    Frame().RestoreWindows();
    EXPECT_NE(Main().pos(), QPoint(100, -1000));
}

TEST_F(ShellTest, MissingTableEndsTheRestoreWithItsMessage)
{
    fs::remove(m_dir / "세계시간표.txt");
    EXPECT_FALSE(Frame().RestoreWindows());
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("시간표 파일이 없습니다.")));
}

TEST_F(ShellTest, DraggingMovesTheWindowAndSavesWhereItLanded)
{
    Frame().RestoreWindows();
    Main().move(100, 100);
    const QPoint start = Main().pos();
    // Global positions as the pointer moves on screen, not with the window.
    const QPoint grabAt(5, 5);
    const QPoint g0 = Main().mapToGlobal(grabAt);
    QMouseEvent press(QEvent::MouseButtonPress, grabAt, g0, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Main(), &press);
    QMouseEvent move(QEvent::MouseMove, grabAt, g0 + QPoint(30, 20), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Main(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, grabAt, g0 + QPoint(30, 20), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Main(), &release);
    EXPECT_EQ(Main().pos(), start + QPoint(30, 20));
    EXPECT_EQ(Stored("Vesk_X"), Main().geometry().x());
    EXPECT_EQ(Stored("Vesk_Y"), Main().geometry().y());
}

TEST_F(ShellTest, MinimisingSilencesTheTick)
{
    Frame().RestoreWindows();
    g_bMainVisible = true;
    Main().setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_FALSE(g_bMainVisible);
    Main().setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_TRUE(g_bMainVisible);
}

TEST_F(ShellTest, InformationDialogOnceAtATime)
{
    Frame();
    int runs = 0;
    Main().runInformationDialog = [&](QWidget*) {
        ++runs;
        Main().OpenInformationDialog();   // a second request while open
    };
    Button(11)->click();
    EXPECT_EQ(runs, 1);
    m_frame->OnCommand(res::ID_HELP_INFO);
    EXPECT_EQ(runs, 2);
}

TEST(HelpText, ReadsAtMostTenKilobytesOfCp949)
{
    const fs::path dir = fs::temp_directory_path() / ("vesk-help-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "Vesk.hlp").string();

    EXPECT_EQ(ReadHelpText(path), "도움말 파일을 읽을 수가 없습니다");
    std::ofstream(path, std::ios::binary) << "";
    EXPECT_EQ(ReadHelpText(path), "");
    // "가" is B0 A1 in CP949; lines end in CR LF.
    std::ofstream(path, std::ios::binary) << "\xB0\xA1\r\nA";
    EXPECT_EQ(ReadHelpText(path), "가\nA");
    std::ofstream(path, std::ios::binary) << std::string(10239, 'x') + "\xB0\xA1" + "tail";
    const std::string cut = ReadHelpText(path);
    EXPECT_EQ(cut.substr(0, 10239), std::string(10239, 'x'));
    EXPECT_EQ(cut.find("tail"), std::string::npos);
    EXPECT_EQ(cut.find("가"), std::string::npos);   // half a character is not one
    fs::remove_all(dir);

    CClientInfoDlg dlg(nullptr, path);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("표준시 정보"));
    EXPECT_NE(FindControl<QWidget>(&dlg, 1014), nullptr);
}

TEST_F(ShellTest, StartupRefusesAWrongDirectoryAndASecondCopy)
{
    const fs::path home = m_dir / "home";
    fs::create_directories(home / "runtime");
    fs::permissions(home / "runtime", fs::perms::owner_all);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    const std::string closed = "127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    ::setenv("VESK_TEST_TIME_SERVERS", closed.c_str(), 1);

    // Not the installation directory: the message, exit code 0, nothing made.
    fs::current_path(home);
    {
        CClockApp app;
        EXPECT_EQ(app.InitInstance(), 0);
        EXPECT_EQ(app.Frame(), nullptr);
    }
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("실행디렉토리가 아닙니다.")));
    EXPECT_FALSE(fs::exists(home / "config"));

    // The program takes no servers from the environment; with no compare
    // at start it asks no server at all here.
    const fs::path conf = home / "config" / "Vesk Client V3.3";
    fs::create_directories(conf);
    std::ofstream(conf / (QCoreApplication::applicationName().toStdString() + ".conf"))
        << "[Vesk]\nAutoCompare=0\n";
    fs::current_path(m_dir);
    {
        CClockApp first;
        ASSERT_EQ(first.InitInstance(), std::nullopt);
        ASSERT_NE(first.Frame(), nullptr);
        const auto& servers = first.Frame()->MainWindow()->Check().Servers();
        ASSERT_EQ(servers.size(), 2u);
        EXPECT_EQ(servers[0].host, kPrimaryTimeServer);
        EXPECT_EQ(servers[1].host, kSecondaryTimeServer);
        CClockApp second;
        EXPECT_EQ(second.InitInstance(), 1);
        EXPECT_EQ(second.Frame(), nullptr);
        EXPECT_EQ(m_messages.last(), QStringLiteral("이미 실행중인 프로그램이 있습니다"));
        EXPECT_TRUE(first.Frame()->MainWindow() != nullptr);   // the first copy runs on
        first.Frame()->MainWindow()->Check().WaitIdle();
    }
    // The first copy ended: a new one may start.
    CClockApp third;
    EXPECT_EQ(third.InitInstance(), std::nullopt);
    third.Frame()->MainWindow()->Check().WaitIdle();
    ::unsetenv("VESK_TEST_TIME_SERVERS");
}
