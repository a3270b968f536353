// The alarm popup on Qt's offscreen platform: where it slides, and that it
// goes away by itself. alarm_test.sh clicks it on a real desktop.

#include "schedule/CAlarmPopup.h"

#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

TEST(AlarmPopup, RisesAboveABottomPanelAndSinksAway)
{
    const QRect screen(0, 0, 1280, 800);
    const auto popup = [] {
        return QPointer(new CAlarmPopup(QStringLiteral("[알림] 회의\r\n"), kAlarmPopupWidth, kAlarmPopupHeight,
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
