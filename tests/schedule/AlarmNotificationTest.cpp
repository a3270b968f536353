// A pass's alarms as desktop notifications: one per alarm, whatever its
// memo holds, and markup only where the service reads it.

#include "ScheduleTestSupport.h"

#include "schedule/AlarmNotification.h"

TEST_F(ScheduleTest, EachAlarmIsANotificationOfItsLabelAndMemo)
{
    // Two entries due together, one memo of two lines with markup in it.
    Add(Entry(Local(2003, 3, 5, 9, 5), {2}, RepeatOnce, "회의 <준비> & 자료\r\n3층 대회의실"));
    Add(Entry(Local(2003, 3, 5, 9), {kOnTime}, RepeatOnce, "전화"));
    const AlarmNotice notice = AlarmPass(Local(2003, 3, 5, 9));
    ASSERT_EQ(notice.lines.size(), 2u);

    const auto plain = AlarmNotifications(notice, false);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].summary, "[5분전]");
    EXPECT_EQ(plain[0].body, "회의 <준비> & 자료\n3층 대회의실");
    EXPECT_EQ(plain[1].summary, "[알림]");
    EXPECT_EQ(plain[1].body, "전화");

    const auto markup = AlarmNotifications(notice, true);
    EXPECT_EQ(markup[0].body, "회의 &lt;준비&gt; &amp; 자료\n3층 대회의실");
    EXPECT_EQ(markup[1].body, "전화");
}
