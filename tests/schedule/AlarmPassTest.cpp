// The alarm checks of the alarm thread, on a fake clock: which points fire,
// the texts they give, and how recurring entries move on.

#include "ScheduleTestSupport.h"

#include "schedule/CScheduleThread.h"

namespace {

constexpr int kLead1 = 1, kLead5 = 2, kLead30 = 5, kLead45 = 6, kLead60 = 7;

// Runs one pass a second from first to last (inclusive) and returns the
// notices that were not empty, each with its time.
std::vector<std::pair<std::time_t, AlarmNotice>> Passes(std::time_t first, std::time_t last)
{
    std::vector<std::pair<std::time_t, AlarmNotice>> out;
    for (std::time_t T = first; T <= last; ++T)
        if (AlarmNotice n = AlarmPass(T); !n.empty())
            out.emplace_back(T, std::move(n));
    return out;
}

} // namespace

TEST_F(ScheduleTest, LeadAndOnTimeAlarmsGiveTheirLabelsAndTimedLabels)
{
    Add(Entry(At(2003, 3, 5, 9, 5), {kOnTime, kLead5}));
    const auto fired = Passes(At(2003, 3, 5, 8, 50), At(2003, 3, 5, 9, 10));
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0].first, At(2003, 3, 5, 9, 0));
    EXPECT_EQ(fired[0].second.text, "[5분전] memo\r\n");
    EXPECT_EQ(fired[0].second.html, "[5분전]-[09:05:00] memo<br>");
    EXPECT_EQ(fired[1].first, At(2003, 3, 5, 9, 5));
    EXPECT_EQ(fired[1].second.text, "[알림] memo\r\n");
    EXPECT_EQ(fired[1].second.html, "[알림]-[지금:09:05:00] memo<br>");
    EXPECT_EQ(ListEntries()[0]->m_bDone, 1);

    // Every lead fires exactly at its point, labelled by its own table row.
    for (const int lead : {kLead1, 3, 4, kLead30, kLead45, kLead60}) {
        Clear();
        Add(Entry(At(2003, 3, 5, 10), {lead}));
        const std::time_t point = At(2003, 3, 5, 10) - kLeadMinutes[lead] * 60;
        const auto got = Passes(point - 2, point + 2);
        ASSERT_EQ(got.size(), 1u) << lead;
        EXPECT_EQ(got[0].first, point) << lead;
        EXPECT_EQ(got[0].second.text, std::string(AlarmLabel(lead)) + " memo\r\n");
        EXPECT_EQ(got[0].second.html, TimedAlarmLabel(lead, At(2003, 3, 5, 10)) + " memo<br>");
    }
    EXPECT_EQ(TimedAlarmLabel(kLead60, At(2003, 3, 5, 0, 0, 7)), "[1시간전]-[00:00:07]");
}

TEST_F(ScheduleTest, PointsBeforeTheFirstCheckAreNotGiven)
{
    // Added at 10:00:30 for 10:05 with the 5-minute switch: its point passed.
    Add(Entry(At(2003, 3, 5, 10, 5), {kOnTime, kLead5}));
    const auto fired = Passes(At(2003, 3, 5, 10, 0, 30), At(2003, 3, 5, 10, 6));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, At(2003, 3, 5, 10, 5));
    EXPECT_EQ(fired[0].second.text, "[알림] memo\r\n");
}

TEST_F(ScheduleTest, RestartReportsOnlyTheLastMissedPointOnce)
{
    // Closed at 08:00, started at 09:10, entry at 09:05 with 30분전 and 정각.
    auto& e = Add(Entry(At(2003, 3, 5, 9, 5), {kOnTime, kLead30}));
    e.m_tLastCheck = At(2003, 3, 5, 8, 0);
    const AlarmNotice n = AlarmPass(At(2003, 3, 5, 9, 10));
    EXPECT_EQ(n.text, "[알림] memo\r\n");
    EXPECT_EQ(n.html, "[알림]-[지금:09:05:00] memo<br>");
    EXPECT_EQ(e.m_bFired[kOnTime], 1);
    EXPECT_EQ(e.m_bFired[kLead30], 1);
    EXPECT_EQ(e.m_bDone, 1);
    EXPECT_TRUE(AlarmPass(At(2003, 3, 5, 9, 10, 1)).empty());

    // The same through CheckDue alone: never twice.
    CSchedueleStructure f = Entry(At(2003, 3, 5, 9, 5), {kOnTime, kLead30});
    f.m_tLastCheck = At(2003, 3, 5, 8, 0);
    std::string html;
    CSchedueleStructure copy;
    EXPECT_EQ(CheckDue(f, At(2003, 3, 5, 9, 10), html, copy), "[알림] memo\r\n");
    EXPECT_EQ(CheckDue(f, At(2003, 3, 5, 9, 10), html, copy), "");
}

TEST_F(ScheduleTest, DailyEntryLeavesADoneCopyAndRingsAgainTomorrow)
{
    Add(Entry(At(2003, 3, 5, 7), {kOnTime}, RepeatDaily, "기상"));
    Add(Entry(At(2003, 9, 1), {kOnTime}, RepeatOnce, "later"));
    auto fired = Passes(At(2003, 3, 5, 6, 59, 58), At(2003, 3, 5, 7, 0, 2));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].second.text, "[알림] 기상\r\n");
    auto entries = ListEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0]->m_tAlarm, At(2003, 3, 6, 7));  // moved on, active
    EXPECT_EQ(entries[0]->m_bDone, 0);
    EXPECT_EQ(entries[1]->m_tAlarm, At(2003, 3, 5, 7));  // the copy, behind it
    EXPECT_EQ(entries[1]->m_bDone, 1);
    EXPECT_EQ(entries[1]->m_strMemo, "기상");
    EXPECT_EQ(entries[1]->m_nRepeat, RepeatDaily);
    EXPECT_EQ(entries[1]->m_tLastCheck, At(2003, 3, 5, 7));
    EXPECT_EQ(entries[2]->m_strMemo, "later");

    fired = Passes(At(2003, 3, 6, 6, 59, 58), At(2003, 3, 6, 7, 0, 2));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, At(2003, 3, 6, 7));
    EXPECT_EQ(ListEntries().size(), 4u);

    // The last entry's copy goes to the head of the list.
    Clear();
    Add(Entry(At(2003, 1, 1), {kOnTime}, RepeatOnce, "first"));
    Add(Entry(At(2003, 3, 5, 7), {kOnTime}, RepeatWeekly, "weekly"));
    Passes(At(2003, 3, 5, 6, 59, 59), At(2003, 3, 5, 7));
    entries = ListEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0]->m_bDone, 1);
    EXPECT_EQ(entries[0]->m_strMemo, "weekly");
    EXPECT_EQ(entries[2]->m_tAlarm, At(2003, 3, 12, 7));
}

TEST_F(ScheduleTest, MonthlyEntryOnThe31stRollsOver)
{
    auto& e = Add(Entry(At(2003, 1, 31, 10), {kOnTime}, RepeatMonthly));
    ASSERT_EQ(Passes(At(2003, 1, 31, 9, 59, 59), At(2003, 1, 31, 10)).size(), 1u);
    EXPECT_EQ(e.m_tAlarm, At(2003, 3, 3, 10));
    ASSERT_EQ(Passes(At(2003, 3, 3, 9, 59, 59), At(2003, 3, 3, 10)).size(), 1u);
    EXPECT_EQ(e.m_tAlarm, At(2003, 4, 3, 10));
}

TEST_F(ScheduleTest, EntriesDueTogetherShareOneNoticeInListOrder)
{
    Add(Entry(At(2003, 3, 5, 9), {kOnTime}, RepeatOnce, "A"));
    Add(Entry(At(2003, 3, 5, 9, 5), {kLead5}, RepeatOnce, "B"));
    AlarmPass(At(2003, 3, 5, 8, 59, 59));
    const AlarmNotice n = AlarmPass(At(2003, 3, 5, 9));
    EXPECT_EQ(n.text, "[알림] A\r\n[5분전] B\r\n");
    EXPECT_EQ(n.html, "[알림]-[지금:09:00:00] A<br>[5분전]-[09:05:00] B<br>");
}

TEST_F(ScheduleTest, AlarmsWaitForTheirYear)
{
    // The hour before New Year's first half hour falls in the old year.
    auto& e = Add(Entry(At(2004, 1, 1, 0, 30), {kOnTime, kLead60}));
    EXPECT_TRUE(Passes(At(2003, 12, 31, 23, 29, 58), At(2003, 12, 31, 23, 59, 59)).empty());
    const auto fired = Passes(At(2004, 1, 1, 0, 0), At(2004, 1, 1, 0, 30));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].second.text, "[알림] memo\r\n");
    EXPECT_EQ(e.m_bFired[kLead60], 0);

    // A daily entry left in an earlier year moves to its first time from now.
    auto& daily = Add(Entry(At(2002, 6, 1, 7), {kOnTime}, RepeatDaily));
    daily.m_tLastCheck = At(2002, 6, 1);
    EXPECT_TRUE(AlarmPass(At(2004, 2, 1, 12)).empty());
    EXPECT_EQ(daily.m_tAlarm, At(2004, 2, 2, 7));
}

TEST_F(ScheduleTest, EntryWithAnUnknownRepeatKindRingsOnceAndStaysAlone)
{
    auto& e = Add(Entry(At(2003, 3, 5, 9), {kOnTime}, 7));
    const auto fired = Passes(At(2003, 3, 5, 8, 59, 59), At(2003, 3, 5, 9, 0, 5));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(ListEntries().size(), 1u);
    EXPECT_EQ(e.m_bDone, 1);
}
