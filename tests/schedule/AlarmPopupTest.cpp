// The alarm popup and the alarm thread's host on Qt's offscreen platform.

#include "QtTestSupport.h"

#include "base/ControlId.h"
#include "resources/ResourceIds.h"
#include "schedule/CAlarmPopup.h"
#include "schedule/QtScheduleHost.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

const QRect kScreen(0, 0, 1280, 800);
const QRect kBottomPanel(0, 0, 1280, 772);  // a 28 px panel at the bottom

CAlarmPopup* NewPopup(int shownMs = 15000)
{
    return new CAlarmPopup(QStringLiteral("[알림] 회의 준비\r\n[5분전] 점심\r\n"), kAlarmPopupWidth,
                           kAlarmPopupHeight, shownMs, kAlarmPopupStepMs, kAlarmTextRect, Qt::white);
}

// Runs the event loop until popup is fully out.
bool WaitRisen(CAlarmPopup* popup)
{
    return QTest::qWaitFor([&] { return popup->CurrentHeight() > kAlarmPopupHeight; }, 5000);
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder
{
public:
    TempFolder() : m_path(fs::temp_directory_path() / ("vesk-popup-" + std::to_string(::getpid())))
    {
        fs::create_directories(m_path);
    }
    ~TempFolder() { fs::remove_all(m_path); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

} // namespace

TEST(AlarmPopup, RisesAboveThePanelStaysAndSinksAway)
{
    QPointer<CAlarmPopup> popup = NewPopup(300);
    ASSERT_TRUE(popup->ShowOn(kScreen, kBottomPanel));
    // While it moves, its bottom stays 5 px above the panel and its right
    // edge 10 px inside the work area; it grows a pixel at a time.
    std::vector<int> heights;
    QElapsedTimer clock;
    clock.start();
    while (popup && clock.elapsed() < 10000) {
        if (popup->isVisible()) {
            const QRect g = popup->geometry();
            ASSERT_EQ(g.x() + g.width(), 1280 - 10);
            ASSERT_EQ(g.y() + g.height(), 772 - 5);
            ASSERT_EQ(g.width(), 160);
            if (heights.empty() || heights.back() != g.height())
                heights.push_back(g.height());
        }
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(popup.isNull()) << "the popup deletes itself";
    ASSERT_FALSE(heights.empty());
    const auto top = std::max_element(heights.begin(), heights.end());
    EXPECT_EQ(*top, 120);
    EXPECT_TRUE(std::is_sorted(heights.begin(), top + 1));
    EXPECT_TRUE(std::is_sorted(top, heights.end(), std::greater<>()));
    EXPECT_EQ(heights.back(), 1);
}

TEST(AlarmPopup, NoPanelAtTheBottomMeansNoPopup)
{
    const QRect workAreas[] = {
        QRect(0, 28, 1280, 772),  // panel at the top
        QRect(0, 0, 1240, 800),   // at the right
        QRect(40, 0, 1240, 800),  // at the left
        kScreen,                  // hidden, or none
    };
    for (const QRect& work : workAreas) {
        QPointer<CAlarmPopup> popup = NewPopup();
        EXPECT_FALSE(popup->ShowOn(kScreen, work));
        EXPECT_FALSE(popup->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(popup.isNull());
    }
}

TEST(AlarmPopup, TextIsDrawnAndUnderlinedWhileHovered)
{
    std::unique_ptr<CAlarmPopup> popup(NewPopup());
    ASSERT_TRUE(popup->ShowOn(kScreen, kBottomPanel));
    ASSERT_TRUE(WaitRisen(popup.get()));
    EXPECT_EQ(popup->cursor().shape(), Qt::BusyCursor);
    const QImage plain = popup->grab().toImage();
    // Dark text pixels in the text rectangle (shown 9 px up and left).
    int dark = 0;
    for (int y = 15; y < 87; ++y)
        for (int x = 15; x < 137; ++x)
            dark += qGray(plain.pixel(x, y)) < 100;
    EXPECT_GT(dark, 50);

    QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), QPointF(50, 50));
    QApplication::sendEvent(popup.get(), &enter);
    EXPECT_TRUE(popup->IsHovering());
    EXPECT_NE(popup->grab().toImage(), plain);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(popup.get(), &leave);
    EXPECT_FALSE(popup->IsHovering());
    EXPECT_EQ(popup->grab().toImage(), plain);
}

TEST(AlarmPopup, ClickWritesTheAlarmPageAndOpensItEachTime)
{
    TempFolder dir;
    WorkingDirectory cwd(dir.path().string());
    ASSERT_TRUE(cwd.ok());
    BrowserStub browser(true);
    std::unique_ptr<CAlarmPopup> popup(NewPopup());
    popup->m_strHtml = "[알림]-[지금:09:05:00] 회의<br>";
    ASSERT_TRUE(popup->ShowOn(kScreen, kBottomPanel));
    ASSERT_TRUE(WaitRisen(popup.get()));

    QTest::mouseClick(popup.get(), Qt::LeftButton, {}, QPoint(40, 40));
    const fs::path page = dir.path() / "일정.htm";
    EXPECT_EQ(ReadAll(page), "[\xBE\xCB\xB8\xB2]-[\xC1\xF6\xB1\xDD:09:05:00] \xC8\xB8\xC0\xC7<br>");
    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_EQ(browser.urls[0], QUrl::fromLocalFile(QString::fromStdString(page.string())));

    popup->m_strHtml = "again<br>";
    QTest::mouseClick(popup.get(), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(ReadAll(page), "again<br>");
    EXPECT_EQ(browser.urls.size(), 2);
    QTest::mouseClick(popup.get(), Qt::RightButton, {}, QPoint(40, 40));
    EXPECT_EQ(browser.urls.size(), 2);
    EXPECT_TRUE(popup->isVisible());  // a click does not close it
}

TEST(AlarmPopup, FrameComesFromTheFileBesideTheProgram)
{
    TempFolder dir;
    WorkingDirectory cwd(dir.path().string());
    {
        std::unique_ptr<CAlarmPopup> popup(NewPopup());
        auto* frame = FindControl<QLabel>(popup.get(), res::alarmpopup::IDC_FRAME);
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->pixmap().isNull());  // missing: no picture, no message
    }
    fs::copy_file(fs::path(VESK_RESOURCES_DIR) / "frame.bmp", dir.path() / "frame.bmp");
    std::unique_ptr<CAlarmPopup> popup(NewPopup());
    ASSERT_TRUE(popup->ShowOn(kScreen, kBottomPanel));
    ASSERT_TRUE(WaitRisen(popup.get()));
    auto* frame = FindControl<QLabel>(popup.get(), res::alarmpopup::IDC_FRAME);
    EXPECT_EQ(frame->pixmap().size(), QSize(170, 120));
    // Its border is drawn, its magenta middle is not.
    const QImage shown = popup->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 60), QColor(0x1e, 0x3c, 0x78));
    EXPECT_NE(shown.pixelColor(80, 60), QColor(0xff, 0x00, 0xff));
    EXPECT_TRUE(frame->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(QtScheduleHost, WorkPostedFromAnotherThreadRunsOnTheUserInterfaceThread)
{
    MemorySettingsStore store;
    auto host = std::make_unique<QtScheduleHost>(store, [](const AlarmNotice&) {});
    std::thread::id ranOn;
    std::thread poster([&] { host->Post([&] { ranOn = std::this_thread::get_id(); }); });
    poster.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranOn != std::thread::id(); }, 2000));
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    // Work still queued when the host goes is dropped.
    bool ran = false;
    host->Post([&] { ran = true; });
    host.reset();
    QTest::qWait(20);
    EXPECT_FALSE(ran);
}
