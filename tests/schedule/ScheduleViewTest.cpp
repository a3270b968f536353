// The year's page against pages written by hand, and memos escaped in
// every HTML line.

#include "ScheduleTestSupport.h"

#include "schedule/CScheduleThread.h"
#include "schedule/ScheduleView.h"

namespace {

const fs::path kPages = VESK_SCHEDULE_PAGES;

} // namespace

TEST_F(ScheduleTest, YearPageMatchesPagesWrittenByHand)
{
    // Monday 2002-05-20, 08:00: a done Sunday, today's entry, a Saturday in
    // June, the three recurring kinds (the weekly one on a Saturday) and a
    // daily entry already moved into the next year.
    auto rang = Entry(Local(2002, 5, 5, 7), {kOnTime}, RepeatOnce, "어린이날");
    rang.m_bDone = 1;
    Add(rang);
    Add(Entry(Local(2002, 5, 20, 9, 5), {kOnTime}, RepeatOnce, "A"));
    Add(Entry(Local(2002, 5, 21, 7), {kOnTime}, RepeatDaily, "<b>조회</b> & \"출석\""));
    Add(Entry(Local(2002, 5, 25, 18, 30), {kOnTime}, RepeatWeekly, "주말 등산"));
    Add(Entry(Local(2002, 5, 31, 10), {kOnTime}, RepeatMonthly, "월말 정산"));
    Add(Entry(Local(2002, 6, 1, 10), {kOnTime}, RepeatOnce, "B"));
    Add(Entry(Local(2003, 1, 1, 7), {kOnTime}, RepeatDaily, "새해"));
    ASSERT_EQ(WriteScheduleView(Dir(), Local(2002, 5, 20, 8)), Dir() + "/모든일정.htm");
    EXPECT_EQ(ReadAll(m_dir / kScheduleViewFile), ReadAll(kPages / "may-2002.htm"));

    // An empty book: the head, the headers and the breaks; the old page is replaced.
    Clear();
    ASSERT_TRUE(WriteScheduleView(Dir(), Local(2003, 12, 7, 12)));
    EXPECT_EQ(ReadAll(m_dir / kScheduleViewFile), ReadAll(kPages / "empty-2003.htm"));

    EXPECT_FALSE(WriteScheduleView(Dir() + "/missing", Local(2003, 12, 7, 12)));
}

TEST_F(ScheduleTest, AlarmPageShowsMarkupInMemosAsText)
{
    const std::string memo = "<script>alert('x')</script> & \"y\"";
    Add(Entry(Local(2003, 3, 5, 9, 5), {kOnTime}, RepeatOnce, memo));
    const AlarmNotice notice = AlarmPass(Local(2003, 3, 5, 9, 5));
    EXPECT_EQ(notice.text, "[알림] " + memo + "\r\n");  // the popup's text is not HTML
    EXPECT_EQ(notice.html, "[알림]-[지금:09:05:00] &lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; "
                           "&amp; &quot;y&quot;<br>");
}
