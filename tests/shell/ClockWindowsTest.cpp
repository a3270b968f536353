// World clock windows and the slim clock, as the tray frame keeps them.

#include "ShellTestSupport.h"

#include "clocks/CClockWnd.h"

namespace {

class ClockWindowsTest : public ShellTest
{
protected:
    void RightClick(CClockWnd* w)
    {
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w, &e);
        m_frame->PopupMenu()->hide();
    }
};

} // namespace

TEST_F(ClockWindowsTest, OpenedWindowsCascadeFromBesideTheMainWindow)
{
    Seed("Vesk_X", 100);
    Seed("Vesk_Y", 120);
    Frame().RestoreWindows();
    for (int i = 0; i < 3; ++i)
        m_frame->ShowWorldClock(1, "London");
    const auto w = WorldWindows();
    ASSERT_EQ(w.size(), 3u);
    const QRect main = Main().frameGeometry();
    EXPECT_EQ(w[0]->pos(), QPoint(main.x() + main.width(), main.y()));
    EXPECT_EQ(w[1]->pos(), w[0]->pos() + QPoint(50, 50));
    EXPECT_EQ(w[2]->pos(), w[1]->pos() + QPoint(50, 50));
    // Showing or hiding the dialog starts the cascade afresh, beside the
    // main window again, where the first one is now in the way.
    m_frame->ResetWorldClockCascade();
    m_frame->ShowWorldClock(0, "UTC");
    const QRect fresh = WorldWindows().back()->frameGeometry();
    EXPECT_NE(fresh.topLeft(), w[2]->pos() + QPoint(50, 50));
    for (QWidget* other : {static_cast<QWidget*>(&Main()), static_cast<QWidget*>(w[0])})
        EXPECT_FALSE(fresh.intersects(other->frameGeometry()));
}

TEST_F(ClockWindowsTest, OnlyVisibleWindowsAreSavedAndReopened)
{
    Frame().RestoreWindows();
    m_frame->RestoreWorldClock(1, "London", 10, 20);
    m_frame->RestoreWorldClock(0, "UTC", 30, 40);
    m_frame->RestoreWorldClock(1, "런던", 50, 60);
    WorldWindows()[1]->close();
    m_frame->SaveWorldClocks();
    EXPECT_EQ(Stored("WORLDDLG0_AREACODE"), 1);
    EXPECT_EQ(Stored("WORLDDLG0_nX"), 10);
    EXPECT_EQ(Stored("WORLDDLG1_nY"), 60);
    EXPECT_EQ(std::get<std::string>(m_store.values()["WORLDDLG1_AREANAME"]), "런던");
    for (int slot = 2; slot < 100; ++slot) {
        const std::string n = std::to_string(slot);
        ASSERT_EQ(Stored("WORLDDLG" + n + "_AREACODE"), -2) << slot;
        ASSERT_EQ(Stored("WORLDDLG" + n + "_nX"), -2);
        ASSERT_EQ(Stored("WORLDDLG" + n + "_nY"), -2);
    }
    EXPECT_EQ(WorldWindows().size(), 3u);   // a closed window stays in the list

    // The next start reopens exactly the two, at their corners.
    m_frame.reset();
    Frame().RestoreWindows();
    const auto w = WorldWindows();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0]->pos(), QPoint(10, 20));
    EXPECT_EQ(w[1]->pos(), QPoint(50, 60));
    EXPECT_EQ(w[1]->m_strAreaName, "런던");
    EXPECT_TRUE(w[0]->isVisible() && w[1]->isVisible());
}

TEST_F(ClockWindowsTest, CloseActsOnTheWindowWhoseMenuWasOpenedLast)
{
    Frame().RestoreWindows();
    m_frame->ShowWorldClock(1, "A");
    m_frame->ShowWorldClock(1, "B");
    CClockWnd* a = WorldWindows()[0];
    CClockWnd* b = WorldWindows()[1];

    m_frame->CloseMenuOwnerClock();   // nobody asked for the menu yet
    EXPECT_TRUE(a->isVisible() && b->isVisible());

    RightClick(a);
    RightClick(b);
    EXPECT_FALSE(a->m_bMenuOwner);
    EXPECT_TRUE(b->m_bMenuOwner);
    m_frame->OnCommand(res::ID_CLOSE_CLOCK);
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(b->isVisible());

    // The mark stays with A after the tray's own menu is used.
    RightClick(a);
    m_frame->ShowPopupMenu(QPoint(10, 10));
    m_frame->PopupMenu()->hide();
    m_frame->OnCommand(res::ID_CLOSE_CLOCK);
    EXPECT_FALSE(a->isVisible());
}

TEST_F(ClockWindowsTest, HideAllLeavesTheSlimClock)
{
    Seed("INITWIN", 2);
    Frame().RestoreWindows();
    m_frame->ShowWorldClock(1, "A");
    m_frame->ShowWorldClock(0, "B");
    m_frame->OnCommand(res::ID_HIDE_ALL);
    for (CClockWnd* w : WorldWindows())
        EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(m_frame->SlimClock()->isVisible());
}

TEST_F(ClockWindowsTest, SlimClockShowsHidesAndKeepsItsCorner)
{
    Seed("INITWIN", 2);
    Seed("KORSLIM_X", 300);
    Seed("KORSLIM_Y", 200);
    CMainFrame& frame = Frame();
    ASSERT_TRUE(frame.RestoreWindows());
    CClockWnd* slim = frame.SlimClock();
    EXPECT_EQ(frame.ClockWindows().front(), slim);
    EXPECT_TRUE(slim->isVisible());
    EXPECT_FALSE(Main().isVisible());
    EXPECT_EQ(slim->pos(), QPoint(300, 200));
    EXPECT_EQ(g_nInitWin, kInitWinSlim);

    // "닫기" from its own menu hides it and saves nothing yet.
    slim->move(310, 210);
    RightClick(slim);
    m_store.clearWriteLog();
    frame.OnCommand(res::ID_CLOSE_CLOCK);
    EXPECT_FALSE(slim->isVisible());
    EXPECT_EQ(g_nInitWin, kInitWinNone);
    EXPECT_TRUE(m_store.writeLog().empty());

    // The tray click with Small brings it back at its saved corner.
    Small = true;
    frame.OnTrayActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(slim->isVisible());
    EXPECT_EQ(slim->pos(), QPoint(300, 200));
    EXPECT_EQ(g_nInitWin, kInitWinSlim);

    // Its own close saves the corner at once.
    slim->move(320, 220);
    slim->close();
    EXPECT_FALSE(slim->isVisible());
    EXPECT_EQ(Stored("KORSLIM_X"), 320);
    EXPECT_EQ(Stored("KORSLIM_Y"), 220);
}

TEST_F(ClockWindowsTest, SettingsChooseBetweenMainWindowAndSlimClock)
{
    Frame().RestoreWindows();
    Main().runSettingsSheet = [](QWidget*) { Small = true; };
    Main().ApplySettings();
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(m_frame->SlimClock()->isVisible());
    EXPECT_EQ(g_nInitWin, kInitWinSlim);
    Main().runSettingsSheet = [](QWidget*) { Small = false; };
    Main().ApplySettings();
    EXPECT_TRUE(Main().isVisible());
    EXPECT_FALSE(m_frame->SlimClock()->isVisible());
    EXPECT_EQ(g_nInitWin, kInitWinMain);

    // Exiting while the slim clock shows brings it back next time.
    Main().runSettingsSheet = [](QWidget*) { Small = true; };
    Main().ApplySettings();
    bool closed = false;
    QObject::connect(m_frame.get(), &CMainFrame::closed, [&] { closed = true; });
    m_frame->OnCommand(res::ID_APP_EXIT);
    ASSERT_TRUE(WaitFor([&] { return closed; }));
    EXPECT_EQ(Stored("INITWIN"), kInitWinSlim);
}

TEST_F(ClockWindowsTest, FaceTexts)
{
    Frame();
    m_frame->ShowWorldClock(0, "UTC");
    CClockWnd* world = WorldWindows()[0];
    CClockWnd* slim = m_frame->SlimClock();
    const WallTime t = MakeWallTime(2002, 9, 2, 13, 5, 9);   // a Monday
    b24Mode = false;
    CClockWnd::FaceText f = world->faceText(t);
    EXPECT_EQ(f.name, QStringLiteral("UTC"));
    EXPECT_EQ(f.date, QStringLiteral("2002/09/02 월"));
    EXPECT_EQ(f.marker, QStringLiteral("오후"));
    EXPECT_EQ(f.time, QStringLiteral("01:05:09"));
    EXPECT_EQ(world->faceText(MakeWallTime(2002, 9, 2, 0, 30)).marker, QStringLiteral("오전"));
    b24Mode = true;
    f = slim->faceText(t);
    EXPECT_EQ(f.name, QStringLiteral("대한민국"));
    EXPECT_EQ(f.date, QStringLiteral("2002/09/02 월요일"));
    EXPECT_TRUE(f.marker.isEmpty());
    EXPECT_EQ(f.time, QStringLiteral("13:05:09"));
    b24Mode = false;

    // UTC runs nine hours behind the PC's Korean time.
    const std::time_t now = std::time(nullptr);
    const std::tm utc = WallTimeToTm(world->m_timeShown);
    std::tm expect{};
    gmtime_r(&now, &expect);
    EXPECT_LE(std::abs((utc.tm_hour * 60 + utc.tm_min) - (expect.tm_hour * 60 + expect.tm_min)) % (24 * 60), 1);
}

TEST_F(ClockWindowsTest, OpaqueFacesFillTheirBackground)
{
    Frame();
    BgColor = 0x0000FF;   // red
    TxtColor = 0x00FF00;
    m_frame->ShowWorldClock(0, "UTC");
    CClockWnd* w = WorldWindows()[0];
    EXPECT_FALSE(w->Transparent());   // no compositor offscreen
    m_frame->ApplyTransparencyToWorldClocks(true);
    EXPECT_FALSE(w->Transparent());
    const QImage img = w->grab().toImage();
    EXPECT_EQ(img.pixelColor(w->width() - 1, w->height() - 1), QColor(255, 0, 0));
    int textPixels = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            textPixels += img.pixelColor(x, y).green() > 200;
    EXPECT_GT(textPixels, 50);
}
