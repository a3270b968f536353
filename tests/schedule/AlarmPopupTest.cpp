// The alarm popup on Qt's offscreen platform: where it slides, that it
// goes away by itself, how popups out together stack and how many alarms
// one shows. alarm_test.sh clicks it on a real desktop.

#include "schedule/CAlarmPopup.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

TEST(AlarmPopup, RisesAboveABottomPanelAndSinksAway)
{
    const QRect screen(0, 0, 1280, 800);
    const auto popup = [] {
        return QPointer(new CAlarmPopup({QStringLiteral("[알림] 회의")}, kAlarmPopupWidth, kAlarmPopupHeight,
                                        200, kAlarmPopupStepMs, kAlarmTextRect, Qt::white));
    };
    QPointer<CAlarmPopup> shown = popup();
    ASSERT_TRUE(shown->ShowOn(screen, QRect(0, 0, 1280, 772)));  // a 28 px panel at the bottom
    // Its bottom stays 5 px above the panel, its right edge 10 px inside.
    std::vector<int> heights;
    QElapsedTimer t;
    for (t.start(); shown && t.elapsed() < 10000; QTest::qWait(0)) {
        if (shown->isVisible() && (heights.empty() || heights.back() != shown->height())) {
            ASSERT_EQ(shown->geometry(), QRect(1110, 767 - shown->height(), 160, shown->height()));
            heights.push_back(shown->height());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(shown.isNull());
    const auto top = std::max_element(heights.begin(), heights.end());
    ASSERT_NE(top, heights.end());
    EXPECT_EQ(*top, 120);
    EXPECT_TRUE(std::is_sorted(heights.begin(), top) && std::is_sorted(top, heights.end(), std::greater<>()));

    // A panel at the top, at the side, or none: no popup.
    for (const QRect& work : {QRect(0, 28, 1280, 772), QRect(0, 0, 1240, 800), screen}) {
        QPointer<CAlarmPopup> none = popup();
        EXPECT_FALSE(none->ShowOn(screen, work));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(none.isNull());
    }
}

namespace {

CAlarmPopup* Popup(int shownMs)
{
    return new CAlarmPopup({QStringLiteral("[알림] 회의")}, kAlarmPopupWidth, kAlarmPopupHeight, shownMs,
                           kAlarmPopupStepMs, kAlarmTextRect, Qt::white);
}

bool Risen(const std::vector<QPointer<CAlarmPopup>>& popups)
{
    QElapsedTimer t;
    for (t.start(); t.elapsed() < 5000; QTest::qWait(5)) {
        if (std::all_of(popups.begin(), popups.end(),
                        [](const auto& p) { return p && p->height() == kAlarmPopupHeight; }))
            return true;
    }
    return false;
}

} // namespace

TEST(AlarmPopup, PopupsOutTogetherStackUpwards)
{
    // With the panel at the top they rise from the work area's bottom
    // right all the same, each 5 px above the one below.
    const QRect work(0, 28, 1280, 772);
    std::vector<QPointer<CAlarmPopup>> popups;
    for (int i = 0; i < 3; ++i) {
        popups.emplace_back(Popup(60000));
        popups.back()->ShowIn(work);
    }
    ASSERT_TRUE(Risen(popups));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(popups[i]->geometry(), QRect(1110, 675 - 125 * i, 160, 120)) << i;

    // A place that comes free is the next one's.
    delete popups[1];
    popups[1] = Popup(60000);
    popups[1]->ShowIn(work);
    ASSERT_TRUE(Risen(popups));
    EXPECT_EQ(popups[1]->geometry(), QRect(1110, 550, 160, 120));

    // Past the top of the work area the places start again at the bottom.
    for (int i = 0; i < 4; ++i) {
        popups.emplace_back(Popup(60000));
        popups.back()->ShowIn(work);
    }
    ASSERT_TRUE(Risen(popups));
    for (const auto& p : popups)
        EXPECT_TRUE(work.contains(p->geometry())) << p->geometry().y();
    qDeleteAll(popups.begin(), popups.end());
}

TEST(AlarmPopup, SaysHowManyAlarmsDoNotFit)
{
    const QFont font = CAlarmPopup::TextFont(false);
    const QFontMetrics metrics(font);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    QStringList thirty;
    for (int i = 1; i <= 30; ++i)
        thirty << QStringLiteral("[알림] 회의 %1").arg(i);
    const auto fitted = CAlarmPopup::FitAlarms(thirty, font, kAlarmTextRect);
    const auto shown = fitted.text.split(u'\n').size();
    EXPECT_GE(shown, 2);
    EXPECT_EQ(fitted.more, QStringLiteral("외 %1건").arg(30 - shown));
    EXPECT_LE(metrics.boundingRect(kAlarmTextRect, flags, fitted.text).height() + metrics.lineSpacing(),
              kAlarmTextRect.height());

    // Alarms that fit are all shown, even one that takes several lines.
    const QStringList two{QStringLiteral("[알림] 전화"), QStringLiteral("[5분전] 회의\r\n3층")};
    EXPECT_EQ(CAlarmPopup::FitAlarms(two, font, kAlarmTextRect).text, QStringLiteral("[알림] 전화\n[5분전] 회의\n3층"));
    EXPECT_TRUE(CAlarmPopup::FitAlarms(two, font, kAlarmTextRect).more.isEmpty());
    // One too long for the picture is shown as far as it goes.
    const QStringList one{QStringLiteral("[알림]") + QStringLiteral(" 회의 자료").repeated(40)};
    EXPECT_EQ(CAlarmPopup::FitAlarms(one, font, kAlarmTextRect).text, one[0]);
    EXPECT_TRUE(CAlarmPopup::FitAlarms(one, font, kAlarmTextRect).more.isEmpty());
}
