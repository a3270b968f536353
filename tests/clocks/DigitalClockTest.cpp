#include "LocalTime.h"
#include "clocks/CDigitalClock.h"
#include "clocks/ClockFaces.h"
#include "clocks/ClockTicker.h"

#include "base/ControlId.h"
#include "base/Options.h"
#include "resources/ResourceIds.h"
#include "sound/Sound.h"

#include "SoundFakeOutput.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

// The main window's placeholder for the clock, in its client pixels.
const QRect kClockRect(10, 29, 180, 54);

// Colours whose blends differ only in green, so any pixel that is neither
// shows up: background RGB(20,40,60) hex, text RGB(20,E0,60) hex.
constexpr ColorRef kBg = 0x00604020;
constexpr ColorRef kTxt = 0x0060E020;
constexpr int kBgGreen = 0x40;
constexpr int kTxtGreen = 0xE0;

// What the shared clock timer does just after a second boundary.
void NextSecond()
{
    emit ClockTicker::Instance().second(std::time(nullptr));
    QCoreApplication::processEvents();
}

// The main window as the clock sees it: records the mouse events it gets.
class RecordingParent : public QWidget
{
public:
    // Tracking, or Qt would not pass it moves without a button.
    RecordingParent() { setMouseTracking(true); }

    struct Got
    {
        QEvent::Type type;
        QPointF pos;
        QPointF global;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;

        bool operator==(const Got&) const = default;
    };
    std::vector<Got> got;
    int contextMenus = 0;

protected:
    void record(QMouseEvent* e)
    {
        got.push_back({e->type(), e->position(), e->globalPosition(), e->button(), e->buttons()});
    }
    void mousePressEvent(QMouseEvent* e) override { record(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { record(e); }
    void mouseMoveEvent(QMouseEvent* e) override { record(e); }
    void contextMenuEvent(QContextMenuEvent*) override { ++contextMenus; }
};

class DigitalClockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = {b24Mode, Beep, Small, g_bMainVisible, TxtColor, BgColor};
        b24Mode = false;
        Beep = false;
        Small = false;
        g_bMainVisible = true;
        TxtColor = kTxt;
        BgColor = kBg;
        m_parent.resize(220, 100);
        m_parent.show();
    }
    void TearDown() override
    {
        b24Mode = m_saved.h24;
        Beep = m_saved.beep;
        Small = m_saved.small;
        g_bMainVisible = m_saved.visible;
        TxtColor = m_saved.txt;
        BgColor = m_saved.bg;
    }

    // A clock at a fixed time, so its picture does not change under a test.
    std::unique_ptr<CDigitalClock> MakeClock(std::time_t at = Local(2003, 3, 5, 0, 30, 0))
    {
        m_now = at;
        auto clock = std::make_unique<CDigitalClock>(&m_parent, kClockRect, res::main::IDC_CLOCK);
        clock->setTimeSource([this] { return m_now.load(); });
        return clock;
    }

    struct
    {
        bool h24, beep, small, visible;
        ColorRef txt, bg;
    } m_saved{};
    RecordingParent m_parent;
    std::atomic<std::time_t> m_now{0};
};

int TextPixelsIn(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGreen(image.pixel(x, y)) > kBgGreen + 0x20;
    return n;
}

// The whole face is background or text, or a blend of the two; the AM/PM
// marker's place has text only in 12-hour mode.
TEST_F(DigitalClockTest, PaintsEveryPixelInTheOptionColours)
{
    const QRect markerCell(28, 30, 12, 16);  // left of where a 24-hour time starts
    const QRect dateLine(35, 4, 120, 12);
    for (bool h24 : {false, true}) {
        SCOPED_TRACE(h24 ? "24-hour" : "12-hour");
        b24Mode = h24;
        auto clock = MakeClock();
        EXPECT_EQ(FindControl<CDigitalClock>(&m_parent, res::main::IDC_CLOCK), clock.get());
        EXPECT_EQ(clock->geometry(), kClockRect);
        const QImage image = clock->grab().toImage();
        ASSERT_EQ(image.size(), kClockRect.size());
        int solidText = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                ASSERT_NEAR(qRed(p), 0x20, 1) << x << "," << y;
                ASSERT_NEAR(qBlue(p), 0x60, 1) << x << "," << y;
                ASSERT_GE(qGreen(p), kBgGreen - 1);
                ASSERT_LE(qGreen(p), kTxtGreen + 1);
                solidText += qGreen(p) == kTxtGreen;
            }
        }
        EXPECT_GT(solidText, 200);
        EXPECT_EQ(TextPixelsIn(image, QRect(0, 0, 1, image.height())), 0);  // left edge
        EXPECT_EQ(TextPixelsIn(image, QRect(0, 0, image.width(), 3)), 0);   // above the date
        EXPECT_GT(TextPixelsIn(image, dateLine), 50);
        if (h24)
            EXPECT_EQ(TextPixelsIn(image, markerCell), 0);
        else
            EXPECT_GT(TextPixelsIn(image, markerCell), 10);
    }
}

TEST_F(DigitalClockTest, GrownControlShowsBackgroundBeyondThePicture)
{
    auto clock = MakeClock();
    clock->grab();  // the picture is made at the first size
    clock->resize(kClockRect.width() + 40, kClockRect.height() + 20);
    const QImage image = clock->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (x >= kClockRect.width() || y >= kClockRect.height()) {
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, 0x204060u) << x << "," << y;
            }
}

// A new second repaints the time alone when nothing else changed, and the
// picture is then the one drawn whole; a new day repaints everything.
TEST_F(DigitalClockTest, NewSecondRedrawsOnlyWhatChanged)
{
    struct PaintRecorder : QObject
    {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    };
    const struct
    {
        std::time_t from, to;
        bool whole12, whole24;   // the whole face changes
    } rows[] = {{Local(2003, 3, 5, 0, 30, 59), Local(2003, 3, 5, 0, 31, 0), false, false},
                {Local(2003, 3, 5, 11, 59, 59), Local(2003, 3, 5, 12, 0, 0), true, false},  // AM to PM
                {Local(2003, 3, 5, 23, 59, 59), Local(2003, 3, 6, 0, 0, 0), true, true}};
    for (bool h24 : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << "24-hour " << h24 << " at " << row.to);
            b24Mode = h24;
            QImage whole;
            {
                auto fresh = MakeClock(row.to);
                whole = fresh->grab().toImage();
            }
            auto clock = MakeClock(row.from);
            clock->grab();
            QCoreApplication::processEvents();
            PaintRecorder recorder;
            clock->installEventFilter(&recorder);
            m_now = row.to;
            NextSecond();
            const QRect painted = recorder.painted.boundingRect();
            EXPECT_FALSE(painted.isEmpty());
            if (h24 ? row.whole24 : row.whole12)
                EXPECT_EQ(painted.size(), kClockRect.size());
            else
                EXPECT_LT(painted.width() * painted.height(), kClockRect.width() * kClockRect.height() * 3 / 4);
            EXPECT_EQ(clock->grab().toImage(), whole);
        }
    }
}

TEST_F(DigitalClockTest, ClockFontsAreMadeOnceInTheirSizes)
{
    auto clock = MakeClock();
    const struct
    {
        int size;
        int pixels;  // at 96 dpi
    } rows[] = {{280, 37}, {240, 32}, {100, 13}};
    for (const auto& row : rows) {
        const QFont* font = clock->GetClockFont(row.size);
        ASSERT_NE(font, nullptr) << row.size;
        EXPECT_EQ(font, clock->GetClockFont(row.size));
        EXPECT_EQ(font->pixelSize(), row.pixels);
    }
    for (int size : {0, -1, 120, 281})
        EXPECT_EQ(clock->GetClockFont(size), nullptr) << size;

    // The date line's face has Hangul, wherever a Korean font is installed.
    const QFont korean = *clock->GetClockFont(100);
    if (QFontDatabase::families().contains("NanumGothic")) {
        EXPECT_EQ(QFontInfo(korean).family(), "NanumGothic");
    }
    EXPECT_TRUE(QFontMetrics(korean).inFontUcs4(U'요'));
}

TEST_F(DigitalClockTest, TicksOnANewSecondOnlyWhenShownAndBeepIsOn)
{
    const struct
    {
        bool visible;
        bool beep;
        std::size_t ticks;
    } rows[] = {{true, true, 1}, {false, true, 0}, {true, false, 0}, {false, false, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "shown " << row.visible << " beep " << row.beep);
        SoundFakeOutput output;
        TickPlayer player(output, "/nonexistent/tick.wav");
        g_bMainVisible = row.visible;
        Beep = row.beep;
        auto clock = MakeClock();
        clock->setTickPlayer(&player);

        NextSecond();
        player.WaitIdle();
        EXPECT_EQ(output.Plays().size(), 0u);  // the same second: no tick

        ++m_now;
        NextSecond();
        player.WaitIdle();
        EXPECT_EQ(clock->timeShown(), m_now.load());
        const auto plays = output.Plays();
        ASSERT_EQ(plays.size(), row.ticks);
        for (const auto& p : plays)
            EXPECT_EQ(p.rate, kToneRate);  // no tick.wav there: the beep
    }
}

TEST_F(DigitalClockTest, TickResumesWhenShownAgain)
{
    SoundFakeOutput output;
    TickPlayer player(output, "/nonexistent/tick.wav");
    Beep = true;
    g_bMainVisible = false;  // minimised
    auto clock = MakeClock();
    clock->setTickPlayer(&player);
    ++m_now;
    NextSecond();
    g_bMainVisible = true;  // restored
    NextSecond();
    player.WaitIdle();
    EXPECT_EQ(output.Plays().size(), 0u);  // not until the next second
    ++m_now;
    NextSecond();
    player.WaitIdle();
    EXPECT_EQ(output.Plays().size(), 1u);
}

// Left presses, releases and moves reach the parent as its own events, a
// move first; without Small in the parent's coordinates, with Small as they
// were.
TEST_F(DigitalClockTest, ForwardsTheLeftButtonToTheParent)
{
    using Got = RecordingParent::Got;
    const QPointF local(5, 6);
    const QPointF global(105, 206);
    const QPointF inParent = local + QPointF(kClockRect.topLeft());
    const auto L = Qt::LeftButton;
    const auto none = Qt::NoButton;
    const auto move = QEvent::MouseMove;
    const struct
    {
        const char* name;
        bool small;
        QEvent::Type type;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        std::vector<Got> expected;
    } rows[] = {
        {"press", false, QEvent::MouseButtonPress, L, L,
         {{move, inParent, global, none, L}, {QEvent::MouseButtonPress, inParent, global, L, L}}},
        {"press small", true, QEvent::MouseButtonPress, L, L,
         {{move, local, global, none, L}, {QEvent::MouseButtonPress, local, global, L, L}}},
        {"double click", false, QEvent::MouseButtonDblClick, L, L,
         {{move, inParent, global, none, L}, {QEvent::MouseButtonPress, inParent, global, L, L}}},
        {"release", false, QEvent::MouseButtonRelease, L, none,
         {{move, inParent, global, none, none}, {QEvent::MouseButtonRelease, inParent, global, L, none}}},
        {"release small", true, QEvent::MouseButtonRelease, L, none,
         {{move, local, global, none, none}, {QEvent::MouseButtonRelease, local, global, L, none}}},
        {"drag", false, move, none, L, {{move, inParent, global, none, L}}},
        {"drag small", true, move, none, L, {{move, local, global, none, L}}},
        {"hover", false, move, none, none, {{move, inParent, global, none, none}}},
        {"right press", false, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {}},
        {"right release small", true, QEvent::MouseButtonRelease, Qt::RightButton, none, {}},
        {"middle press", false, QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, {}},
    };
    auto clock = MakeClock();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Small = row.small;
        m_parent.got.clear();
        QMouseEvent event(row.type, local, global, row.button, row.buttons, Qt::ShiftModifier);
        QCoreApplication::sendEvent(clock.get(), &event);
        EXPECT_TRUE(event.isAccepted());
        EXPECT_EQ(m_parent.got.size(), row.expected.size());
        for (std::size_t i = 0; i < std::min(m_parent.got.size(), row.expected.size()); ++i) {
            const Got& g = m_parent.got[i];
            const Got& e = row.expected[i];
            EXPECT_EQ(g.type, e.type) << i;
            EXPECT_EQ(g.pos, e.pos) << i;
            EXPECT_EQ(g.global, e.global) << i;
            EXPECT_EQ(g.button, e.button) << i;
            EXPECT_EQ(g.buttons, e.buttons) << i;
        }
    }
}

TEST_F(DigitalClockTest, ParentMayDeleteTheClockWhileItForwards)
{
    struct Exposed : CDigitalClock
    {
        using CDigitalClock::CDigitalClock;
        using CDigitalClock::mousePressEvent;
    };
    class Deleting : public RecordingParent
    {
    public:
        std::unique_ptr<Exposed> victim;

    protected:
        void mouseMoveEvent(QMouseEvent* e) override
        {
            RecordingParent::mouseMoveEvent(e);
            victim.reset();
        }
    };
    Deleting parent;
    parent.victim = std::make_unique<Exposed>(&parent, kClockRect, res::main::IDC_CLOCK);
    Exposed* clock = parent.victim.get();
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    clock->mousePressEvent(&event);  // the clock is gone when this returns
    EXPECT_EQ(parent.got.size(), 1u);  // the move; the press had no one to go to
    EXPECT_FALSE(parent.victim);
}

TEST_F(DigitalClockTest, RightClickAsksForTheMenuOnlyWithSmall)
{
    auto clock = MakeClock();
    for (bool small : {false, true}) {
        SCOPED_TRACE(small ? "Small on" : "Small off");
        Small = small;
        std::vector<QPoint> asked;
        const auto connection = QObject::connect(clock.get(), &CDigitalClock::popupMenuRequested,
                                                 [&](QPoint at) { asked.push_back(at); });
        m_parent.contextMenus = 0;
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 6), QPoint(300, 400));
        QCoreApplication::sendEvent(clock.get(), &event);
        QObject::disconnect(connection);
        if (small)
            EXPECT_EQ(asked, std::vector<QPoint>{QPoint(300, 400)});
        else
            EXPECT_TRUE(asked.empty());
        EXPECT_EQ(m_parent.contextMenus, 0);  // never passed on to the parent
    }
}

} // namespace

TEST(TextCell, DrawsWhatTheTextDrawsToThePixelAndNothingOutsideTheClip)
{
    const QFont fonts[] = {MakeClockFont(kLatinFaces, 240), MakeClockFont(kKoreanFaces, 100)};
    const QString texts[] = {QStringLiteral("12:25:13"), QStringLiteral("2026/12/10 목요일"),
                             QStringLiteral("오후"), QStringLiteral("12:25:14")};
    const auto draw = [](const auto& paint, const QRect& clip) {
        QImage image(240, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        p.setPen(Qt::green);
        if (!clip.isNull())
            p.setClipRect(clip);
        paint(p);
        return image;
    };
    for (const QFont& font : fonts) {
        TextCell cell;   // one cell, its text changing as a clock's does
        for (const QString& text : texts) {
            for (const QRect& clip : {QRect(), QRect(0, 0, 60, 30), QRect(200, 0, 40, 60)}) {
                const QImage want = draw([&](QPainter& p) { DrawTextCell(p, font, 7, 5, text); }, clip);
                EXPECT_EQ(draw([&](QPainter& p) { cell.Draw(p, font, 7, 5, text); }, clip), want)
                    << text.toStdString() << " clip " << clip.x();
            }
        }
    }
}
