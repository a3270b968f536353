// The alarm checks on a fake clock: which points fire, their texts, and
// how recurring entries move on.

#include "ScheduleTestSupport.h"

#include "schedule/CScheduleThread.h"

namespace {

constexpr int kLead5 = 2, kLead30 = 5, kLead60 = 7;

// One pass a second from first to last; the notices given, with their times.
std::vector<std::pair<std::time_t, AlarmNotice>> Passes(std::time_t first, std::time_t last)
{
    std::vector<std::pair<std::time_t, AlarmNotice>> out;
    for (std::time_t T = first; T <= last; ++T)
        if (AlarmNotice n = AlarmPass(T); !n.empty())
            out.emplace_back(T, std::move(n));
    return out;
}

const CSchedueleStructure& Nth(std::size_t i)
{
    std::lock_guard lock(g_csScheduleList);
    return *g_pScheduleList->at(i);
}

} // namespace

TEST_F(ScheduleTest, AlarmsGiveTheirLabelsAtTheirPoints)
{
    auto& e = Add(Entry(Local(2003, 3, 5, 9, 5), {kOnTime, kLead5}));
    auto fired = Passes(Local(2003, 3, 5, 8, 50), Local(2003, 3, 5, 9, 10));
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0].first, Local(2003, 3, 5, 9, 0));
    EXPECT_EQ(fired[0].second.text, "[5분전] memo\r\n");
    EXPECT_EQ(fired[0].second.html, "[5분전]-[09:05:00] memo<br>");
    EXPECT_EQ(fired[1].first, Local(2003, 3, 5, 9, 5));
    EXPECT_EQ(fired[1].second.text, "[알림] memo\r\n");
    EXPECT_EQ(fired[1].second.html, "[알림]-[지금:09:05:00] memo<br>");
    EXPECT_EQ(e.m_bDone, 1);

    // Every lead at its own point, 45 minutes included.
    for (int lead = 1; lead < kLeadCount; ++lead) {
        Clear();
        Add(Entry(Local(2003, 3, 5, 10), {lead}));
        const std::time_t point = Local(2003, 3, 5, 10) - kLeadMinutes[lead] * 60;
        fired = Passes(point - 2, point + 2);
        ASSERT_EQ(fired.size(), 1u);
        EXPECT_EQ(fired[0].first, point);
        EXPECT_EQ(fired[0].second.text, std::string(AlarmLabel(lead)) + " memo\r\n");
    }

    // Added at 10:00:30 for 10:05: the 5-minute point had passed.
    Clear();
    Add(Entry(Local(2003, 3, 5, 10, 5), {kOnTime, kLead5}));
    fired = Passes(Local(2003, 3, 5, 10, 0, 30), Local(2003, 3, 5, 10, 6));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].second.text, "[알림] memo\r\n");
}

TEST_F(ScheduleTest, RestartReportsOnlyTheLastMissedPoint)
{
    // Closed at 08:00, started at 09:10, entry at 09:05 with 30분전 and 정각.
    auto& e = Add(Entry(Local(2003, 3, 5, 9, 5), {kOnTime, kLead30}));
    e.m_tLastCheck = Local(2003, 3, 5, 8, 0);
    EXPECT_EQ(AlarmPass(Local(2003, 3, 5, 9, 10)).text, "[알림] memo\r\n");
    EXPECT_EQ(e.m_bFired[kLead30], 1);
    EXPECT_EQ(e.m_bDone, 1);
    EXPECT_TRUE(AlarmPass(Local(2003, 3, 5, 9, 10, 1)).empty());
}

TEST_F(ScheduleTest, RecurringEntriesLeaveADoneCopyAndMoveOn)
{
    Add(Entry(Local(2003, 3, 5, 7), {kOnTime}, RepeatDaily, "기상"));
    Add(Entry(Local(2003, 9, 1), {kOnTime}));
    ASSERT_EQ(Passes(Local(2003, 3, 5, 6, 59, 58), Local(2003, 3, 5, 7, 0, 2)).size(), 1u);
    ASSERT_EQ(ListMemos().size(), 3u);
    EXPECT_EQ(Nth(0).m_tAlarm, Local(2003, 3, 6, 7));  // moved on, active
    EXPECT_EQ(Nth(0).m_bDone, 0);
    EXPECT_EQ(Nth(1).m_tAlarm, Local(2003, 3, 5, 7));  // the copy, behind it
    EXPECT_EQ(Nth(1).m_bDone, 1);
    EXPECT_EQ(Nth(1).m_strMemo, "기상");
    const auto tomorrow = Passes(Local(2003, 3, 6, 6, 59, 58), Local(2003, 3, 6, 7, 0, 2));
    ASSERT_EQ(tomorrow.size(), 1u);
    EXPECT_EQ(tomorrow[0].first, Local(2003, 3, 6, 7));

    // The last entry's copy goes to the head; the 31st rolls over.
    Clear();
    Add(Entry(Local(2003, 1, 1), {kOnTime}));
    auto& monthly = Add(Entry(Local(2003, 1, 31, 10), {kOnTime}, RepeatMonthly));
    Passes(Local(2003, 1, 31, 9, 59, 59), Local(2003, 1, 31, 10));
    EXPECT_EQ(Nth(0).m_nRepeat, RepeatMonthly);
    EXPECT_EQ(Nth(0).m_bDone, 1);
    EXPECT_EQ(monthly.m_tAlarm, Local(2003, 3, 3, 10));
    EXPECT_EQ(NextOccurrence(RepeatMonthly, Local(2003, 3, 3, 10)), Local(2003, 4, 3, 10));
    EXPECT_EQ(NextOccurrence(RepeatMonthly, Local(2003, 12, 15, 10)), Local(2004, 1, 15, 10));

    // A kind a damaged file may hold rings once and leaves no copy.
    Clear();
    auto& odd = Add(Entry(Local(2003, 3, 5, 9), {kOnTime}, 7));
    ASSERT_EQ(Passes(Local(2003, 3, 5, 8, 59, 59), Local(2003, 3, 5, 9, 0, 5)).size(), 1u);
    EXPECT_EQ(ListMemos().size(), 1u);
    EXPECT_EQ(odd.m_bDone, 1);
}

TEST_F(ScheduleTest, AlarmsWaitForTheirYear)
{
    // The hour before New Year's first half hour falls in the old year.
    auto& e = Add(Entry(Local(2004, 1, 1, 0, 30), {kOnTime, kLead60}));
    EXPECT_TRUE(Passes(Local(2003, 12, 31, 23, 29, 58), Local(2003, 12, 31, 23, 59, 59)).empty());
    EXPECT_EQ(Passes(Local(2004, 1, 1, 0, 0), Local(2004, 1, 1, 0, 30)).size(), 1u);
    EXPECT_EQ(e.m_bFired[kLead60], 0);

    // A daily entry left in an earlier year moves to its first time from now.
    auto& daily = Add(Entry(Local(2002, 6, 1, 7), {kOnTime}, RepeatDaily));
    daily.m_tLastCheck = Local(2002, 6, 1);
    EXPECT_TRUE(AlarmPass(Local(2004, 2, 1, 12)).empty());
    EXPECT_EQ(daily.m_tAlarm, Local(2004, 2, 2, 7));
}
