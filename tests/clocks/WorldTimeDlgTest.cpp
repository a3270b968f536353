// The world time dialog and its clock: the tree, selection, search, the
// buttons and keys, and the clock's picture and blink.

#include "LocalTime.h"
#include "clocks/CClockWnd.h"
#include "clocks/CWorldTimeDlg.h"
#include "clocks/CWorldTimeView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "RecordingWorldTimeTree.h"
#include "TzScope.h"
#include "base/ControlId.h"
#include "base/Cp949.h"
#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/SettingsStore.h"
#include "resources/ResourceIds.h"

namespace {

namespace ids = res::worldtime;

// 구가 holds 린 across its two syllables in CP949 (B1 B8 | B0 A1).
const char kTable[] =
    "아시아 3\n서울 0 0 0\n구가 60 0 0\n베이징 -60 0 0\n"
    "유럽 2\nLondon -540 3 4\n베를린 -480 2 1\n"
    "중동 0\n북아메리카 1\n뉴욕 -840 1 1\n"
    "빈곳 0\n아프리카 0\n중남미 0\n오세아니아 0\n";

// Runs the event loop until done() or timeoutMs; whether done() held.
template <typename Done>
bool WaitUntil(Done done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QTest::qWait(10);
    return done();
}

// Whether any pixel of image shows the clock's green text.
bool IsLit(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGreen(image.pixel(x, y)) > 0x80)
                return true;
    return false;
}

// Saves and restores what the dialog changes process-wide.
class WorldTimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = {g_nSelectedArea, g_strSelectedAreaName, b24Mode};
        g_nSelectedArea = -1;
        g_strSelectedAreaName.clear();
        b24Mode = true;
        SetMessageBoxHandler(
            [this](QWidget*, const QString& text, MessageIcon) { m_messages << text; });
    }
    void TearDown() override
    {
        m_dlg.reset();
        SetMessageBoxHandler(nullptr);
        g_nSelectedArea = m_saved.area;
        g_strSelectedAreaName = m_saved.name;
        b24Mode = m_saved.h24;
    }

    CWorldTimeDlg& make(const std::string& path)
    {
        m_dlg = std::make_unique<CWorldTimeDlg>(nullptr, &m_blink, path);
        m_dlg->setTimeSource([this] { return m_now; });
        return *m_dlg;
    }
    CWorldTimeDlg& makeSmall() { return make(m_file.path()); }

    QTreeWidgetItem* item(const char* text) const
    {
        const auto found = m_dlg->tree()->findItems(QString::fromUtf8(text),
                                                    Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_EQ(found.size(), 1) << text;
        return found.value(0);
    }
    QString info() const { return FindControl<QLabel>(m_dlg.get(), ids::IDC_INFO)->text(); }
    QLineEdit* edit() const { return FindControl<QLineEdit>(m_dlg.get(), ids::IDC_FIND_TEXT); }
    void click(int id) const { FindControl<QPushButton>(m_dlg.get(), id)->click(); }
    QString describe(std::int32_t row) const
    {
        return QString::fromStdString(BuildAreaInfo(row, KoreanWallTime(m_now)));
    }

    struct
    {
        std::int32_t area;
        std::string name;
        bool h24;
    } m_saved{};
    TempFile m_file{Utf8ToCp949(kTable)};
    std::time_t m_now = Local(2003, 7, 5, 14, 30, 15);
    int m_blink = 0;
    QStringList m_messages;
    std::unique_ptr<CWorldTimeDlg> m_dlg;
};

using WorldTimeDlgTest = WorldTimeTest;
using WorldTimeViewTest = WorldTimeTest;

TEST_F(WorldTimeDlgTest, HoldsItsControlsAndTheTree)
{
    CWorldTimeDlg& dlg = makeSmall();
    EXPECT_TRUE(dlg.loaded());
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(dlg.windowTitle(), "세계시각");
    EXPECT_FALSE(dlg.isModal());
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(FindControl(&dlg, ids::IDC_TREE), dlg.tree());
    EXPECT_EQ(FindControl(&dlg, ids::IDC_VIEW), dlg.view());
    EXPECT_EQ(dlg.view()->geometry(), QRect(5, 5, 244, 48));
    EXPECT_TRUE(FindControl<QPushButton>(&dlg, ids::IDC_FIND)->isDefault());
    for (int id : {ids::IDC_SHOW_CLOCK, ids::IDC_CLOSE})
        EXPECT_NE(FindControl<QPushButton>(&dlg, id), nullptr) << id;
    EXPECT_EQ(edit()->text(), QString::fromUtf8(kWorldTimeFindHint));
    EXPECT_TRUE(info().isEmpty());

    // Root expanded, "UTC" first, groups collapsed; items carry their rows.
    ASSERT_EQ(dlg.tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = dlg.tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "세계시간표");
    EXPECT_EQ(WorldTimeTreeWidget::rowOf(root), -1);
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 9);
    EXPECT_EQ(root->child(0)->text(0), "UTC");
    EXPECT_EQ(WorldTimeTreeWidget::rowOf(root->child(0)), 0);
    for (int g = 1; g < 9; ++g) {
        EXPECT_EQ(WorldTimeTreeWidget::rowOf(root->child(g)), -1);
        EXPECT_FALSE(root->child(g)->isExpanded());
    }
    EXPECT_EQ(WorldTimeTreeWidget::rowOf(item("베를린")), 5);
}

TEST_F(WorldTimeDlgTest, MissingTableIsReportedNotFatal)
{
    CWorldTimeDlg& dlg = make("/nonexistent/" + std::string(kWorldTimeFileName));
    EXPECT_FALSE(dlg.loaded());
    EXPECT_EQ(m_messages,
              QStringList{QString::fromUtf8(kWorldTimeMissingText).replace("\r\n", "\n")});
    EXPECT_EQ(dlg.tree()->topLevelItemCount(), 0);
}

TEST_F(WorldTimeDlgTest, SelectingARegionOrUtcDescribesIt)
{
    makeSmall();
    const struct
    {
        const char* text;
        std::int32_t row;
    } rows[] = {{"베를린", 5}, {"UTC", 0}, {"서울", 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        m_blink = 0;
        m_dlg->tree()->setCurrentItem(item(row.text));
        EXPECT_EQ(g_nSelectedArea, row.row);
        EXPECT_EQ(info(), describe(row.row));
        EXPECT_EQ(m_blink, 18);
        EXPECT_EQ(g_strSelectedAreaName, row.text);
    }
    m_dlg->tree()->setCurrentItem(item("UTC"));
    EXPECT_EQ(info(), "선택하신 지역은 한국보다 9시 0분이 늦은 지역입니다.\n"
                      "이 지역은 써머타임을 적용하지 않습니다.");
    // The clock follows at its next tick: the PC's time less 9 hours.
    m_dlg->show();
    const WallTime utc = LocalWallTime(m_now) - std::chrono::hours(9);
    EXPECT_TRUE(WaitUntil([&] { return m_dlg->view()->timeShown() == utc; }));
}

TEST_F(WorldTimeDlgTest, SelectingTheRootOrAGroupChangesNothing)
{
    makeSmall();
    m_dlg->tree()->setCurrentItem(item("서울"));
    const QString described = info();
    for (const char* text : {"유럽", "세계시간표", "빈곳"}) {
        SCOPED_TRACE(text);
        m_blink = 0;
        m_dlg->tree()->setCurrentItem(item(text));
        EXPECT_EQ(g_nSelectedArea, 1);
        EXPECT_EQ(info(), described);
        EXPECT_EQ(m_blink, 0);
        EXPECT_EQ(g_strSelectedAreaName, "서울");
    }
}

// Enter in the edit searches; the found region is selected and described,
// its group opened.
TEST_F(WorldTimeDlgTest, EnterSelectsTheFirstRegionContainingTheText)
{
    makeSmall();
    m_dlg->show();
    const struct
    {
        const char* find;
        const char* region;
        const char* group;
    } rows[] = {{"베", "베이징", "아시아"}, {"린", "베를린", "유럽"}, {"뉴", "뉴욕", "북아메리카"},
                {"don", "London", "유럽"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.find);
        edit()->setText(QString::fromUtf8(row.find));
        m_blink = 0;
        QTest::keyClick(edit(), Qt::Key_Return);
        QTreeWidgetItem* found = item(row.region);
        EXPECT_EQ(m_dlg->tree()->currentItem(), found);
        EXPECT_TRUE(found->isSelected());
        EXPECT_TRUE(item(row.group)->isExpanded());
        EXPECT_EQ(g_nSelectedArea, WorldTimeTreeWidget::rowOf(found));
        EXPECT_EQ(info(), describe(g_nSelectedArea));
        EXPECT_EQ(m_blink, 18);
        EXPECT_EQ(g_strSelectedAreaName, row.region);
    }
}

TEST_F(WorldTimeDlgTest, FailedSearchSaysSoAndKeepsTheSelection)
{
    makeSmall();
    m_dlg->tree()->setCurrentItem(item("London"));
    const struct
    {
        const char* find;
        const char* text;      // description afterwards
        const char* editText;  // search text afterwards
    } rows[] = {
        {"", kWorldTimeFindEmptyText, kWorldTimeFindHint},
        {"파리", kWorldTimeNotFoundText, "파리"},
        {"LONDON", kWorldTimeNotFoundText, "LONDON"},
        {"UTC", kWorldTimeNotFoundText, "UTC"},
        {"유럽", kWorldTimeNotFoundText, "유럽"},
        {kWorldTimeFindHint, kWorldTimeNotFoundText, kWorldTimeFindHint},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.find);
        edit()->setText(QString::fromUtf8(row.find));
        m_blink = 0;
        click(ids::IDC_FIND);
        EXPECT_EQ(info(), QString::fromUtf8(row.text));
        EXPECT_EQ(edit()->text(), QString::fromUtf8(row.editText));
        EXPECT_EQ(m_dlg->tree()->currentItem(), item("London"));
        EXPECT_EQ(g_nSelectedArea, 4);
        EXPECT_EQ(m_blink, 0);
    }
    // Finding the region still selected brings its description back.
    edit()->setText("Lon");
    click(ids::IDC_FIND);
    EXPECT_EQ(info(), describe(4));
    EXPECT_EQ(m_blink, 18);
}

TEST_F(WorldTimeDlgTest, FoundRegionsGroupIsScrolledToTheTop)
{
    make(shippedTablePath());
    m_dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    edit()->setText("런던");
    click(ids::IDC_FIND);
    QTreeWidgetItem* found = m_dlg->tree()->currentItem();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(0), "런던");
    EXPECT_EQ(m_dlg->tree()->visualItemRect(found->parent()).top(), 0);
    EXPECT_TRUE(m_dlg->tree()->viewport()->rect().contains(m_dlg->tree()->visualItemRect(found)));
}

TEST_F(WorldTimeDlgTest, EditLosesTheHintWhenEntered)
{
    makeSmall();
    m_dlg->show();
    m_dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dlg.get()));
    EXPECT_EQ(edit()->text(), QString::fromUtf8(kWorldTimeFindHint));  // the tree has the focus
    edit()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(WaitUntil([&] { return edit()->hasFocus(); }));
    EXPECT_TRUE(edit()->text().isEmpty());
}

TEST_F(WorldTimeDlgTest, EscapeKeepsItOpenCloseHides)
{
    makeSmall();
    QSignalSpy shownOrHidden(m_dlg.get(), &CWorldTimeDlg::shownOrHidden);
    m_dlg->show();
    EXPECT_EQ(shownOrHidden.count(), 1);
    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(m_dlg->isVisible());
    click(ids::IDC_CLOSE);
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(shownOrHidden.count(), 2);
    m_dlg->show();
    EXPECT_EQ(shownOrHidden.count(), 3);
    m_dlg->close();  // from the window manager
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(shownOrHidden.count(), 4);
}

TEST_F(WorldTimeDlgTest, ShowClockAsksOnlyWithASelection)
{
    makeSmall();
    QSignalSpy asked(m_dlg.get(), &CWorldTimeDlg::showWorldClockRequested);
    click(ids::IDC_SHOW_CLOCK);
    EXPECT_EQ(asked.count(), 0);
    m_dlg->tree()->setCurrentItem(item("유럽"));  // a group selects no region
    click(ids::IDC_SHOW_CLOCK);
    EXPECT_EQ(asked.count(), 0);
    m_dlg->tree()->setCurrentItem(item("베를린"));
    click(ids::IDC_SHOW_CLOCK);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked[0][0].toInt(), 5);
    EXPECT_EQ(asked[0][1].toString(), "베를린");
}

// Every name is whole: a row leaves room above and below its text, even in
// a face whose glyphs fill the whole line height.
TEST_F(WorldTimeDlgTest, RowsAreTallEnoughForTheirNames)
{
    makeSmall();
    m_dlg->show();
    QTreeWidgetItem* root = m_dlg->tree()->topLevelItem(0);
    const QFontMetrics metrics(m_dlg->tree()->font());
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem* row = root->child(i);
        const int ink = metrics.tightBoundingRect(row->text(0)).height();
        EXPECT_GE(m_dlg->tree()->visualItemRect(row).height(), ink + 2) << row->text(0).toStdString();
    }
}

// World clocks, the Korea clock and the dialog reckon from Korean time, so a
// PC set to another zone shows the same world times as one in Seoul.
TEST_F(WorldTimeDlgTest, ClocksShowKoreanTimeInEveryZone)
{
    makeSmall();
    MemorySettingsStore store;
    QWidget frame;
    const WallTime korea = MakeWallTime(2003, 7, 5, 14, 30, 15);   // m_now in Seoul
    const WallTime newYork = korea - std::chrono::hours(14) + std::chrono::hours(1);   // summer time
    for (const char* zone : {"Asia/Seoul", "UTC", "America/New_York"}) {
        SCOPED_TRACE(zone);
        TzScope tz(zone);
        CClockWnd world(&frame, store, false, 6, "뉴욕");
        CClockWnd slim(&frame, store, true);
        for (CClockWnd* w : {&world, &slim}) {
            w->setTimeSource([this] { return m_now; });
            w->show();
        }
        EXPECT_EQ(world.m_timeShown, newYork);
        EXPECT_EQ(slim.m_timeShown, korea);
        m_dlg->tree()->setCurrentItem(nullptr);
        m_dlg->tree()->setCurrentItem(item("뉴욕"));
        EXPECT_EQ(info(), "선택하신 지역은 한국보다 14시 0분이 늦은 지역입니다."
                          "현재시각은 써머타임이 적용된 시각입니다.\n"
                          "현지시간 기준 4월 첫째 일요일 오전 2시부터 "
                          "10월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다.");
        m_dlg->hide();
        m_dlg->show();   // the view takes the time as it shows
        EXPECT_EQ(m_dlg->view()->timeShown(), newYork);
    }
}

// --- The clock ---

// Green on black only; the time right of x = 100, the date from x = 18, the
// marker above the date in 12-hour mode only.
TEST_F(WorldTimeViewTest, PaintsTimeDateAndMarkerInGreen)
{
    const QRect marker(18, 5, 22, 13);
    const QRect time(100, 13, 144, 35);
    const QRect date(18, 23, 70, 20);
    for (bool h24 : {false, true}) {
        SCOPED_TRACE(h24 ? "24-hour" : "12-hour");
        b24Mode = h24;
        QWidget parent;
        CWorldTimeView view(&parent, QRect(10, 20, 254, 58), ids::IDC_VIEW, &m_blink);
        EXPECT_EQ(view.geometry(), QRect(15, 25, 244, 48));  // 5 px inside
        view.setTimeSource([this] { return m_now; });
        const QImage image = view.grab().toImage();
        ASSERT_EQ(image.size(), QSize(244, 48));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                ASSERT_EQ(qRed(p), 0) << x << "," << y;
                ASSERT_EQ(qBlue(p), 0) << x << "," << y;
            }
        EXPECT_TRUE(IsLit(image, time));
        EXPECT_TRUE(IsLit(image, date));
        EXPECT_FALSE(IsLit(image, QRect(0, 0, 17, 48)));
        EXPECT_EQ(IsLit(image, marker), !h24);
    }
}

TEST_F(WorldTimeViewTest, BlinksThreeTimesAfterASelectionThenStaysLit)
{
    QWidget parent;
    CWorldTimeView view(&parent, QRect(0, 0, 254, 58), ids::IDC_VIEW, &m_blink);
    view.setTimeSource([this] { return m_now; });
    m_blink = 18;
    std::string seen;
    std::vector<QImage> lit;
    for (int paint = 0; paint < 23; ++paint) {
        const QImage image = view.grab().toImage();
        const bool on = IsLit(image, image.rect());
        seen += on ? 'L' : '.';
        if (on)
            lit.push_back(image);
    }
    // Counter 18 lit, 17-15 dark, 14-12 lit, 11-9 dark, 8-6 lit, 5-3 dark, 2-0 lit, then 0.
    EXPECT_EQ(seen, "L...LLL...LLL...LLLLLLL");
    EXPECT_EQ(m_blink, 0);
    for (const QImage& image : lit)
        EXPECT_EQ(image, lit.front());  // the same picture after each dark spell

    m_blink = -4;  // a negative counter shows the time and stops at 0
    EXPECT_TRUE(IsLit(view.grab().toImage(), QRect(0, 0, 244, 48)));
    EXPECT_EQ(m_blink, 0);
}

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Shown, the clock counts the blink down at its own pace, then paints only
// when the time or the mode changes.
TEST_F(WorldTimeViewTest, RepaintsOnlyWhenThePictureWouldChange)
{
    QWidget parent;
    parent.resize(300, 100);
    CWorldTimeView view(&parent, QRect(0, 0, 254, 58), ids::IDC_VIEW, &m_blink);
    view.setTimeSource([this] { return m_now; });
    PaintCounter counter;
    view.installEventFilter(&counter);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    m_blink = 6;
    EXPECT_TRUE(WaitUntil([&] { return m_blink == 0; }));
    QTest::qWait(2 * CWorldTimeView::kBlinkMs);
    counter.paints = 0;
    QTest::qWait(6 * CWorldTimeView::kBlinkMs);
    EXPECT_EQ(counter.paints, 0);
    ++m_now;
    EXPECT_TRUE(WaitUntil([&] { return counter.paints > 0; }));
    counter.paints = 0;
    b24Mode = !b24Mode;
    EXPECT_TRUE(WaitUntil([&] { return counter.paints > 0; }));
}

} // namespace
