// The alarm checks on a fake clock: which points fire, their texts, and
// how recurring entries move on.

#include "ScheduleTestSupport.h"
#include "TzScope.h"

#include "base/DateText.h"
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

// Noon of each day of year whose offset from UTC differs from the day before's.
std::vector<std::time_t> SummerTimeChanges(int year)
{
    std::vector<std::time_t> out;
    for (int day = 1; day <= 365; ++day) {
        const std::time_t noon = Local(year, 1, day, 12);
        if (LocalTm(noon).tm_gmtoff != LocalTm(Local(year, 1, day - 1, 12)).tm_gmtoff)
            out.push_back(noon);
    }
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

    // Of two leads in one window the smaller is told; both are spent.
    Clear();
    auto& f = Add(Entry(Local(2003, 3, 5, 10), {kLead60, kLead5}));
    f.m_tLastCheck = Local(2003, 3, 5, 8);
    EXPECT_EQ(AlarmPass(Local(2003, 3, 5, 9, 56)).text, "[5분전] memo\r\n");
    EXPECT_EQ(f.m_bFired[kLead60], 1);
    EXPECT_TRUE(AlarmPass(Local(2003, 3, 5, 9, 57)).empty());
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

    // A full book rings and moves on but keeps no copy, so a load reads it all.
    Clear();
    auto& daily = Add(Entry(Local(2003, 3, 5, 7), {kOnTime}, RepeatDaily, "기상"));
    for (std::size_t n = 1; n < kScheduleCapacity; ++n)
        Add(Entry(Local(2003, 9, 1), {kOnTime}));
    ASSERT_EQ(Passes(Local(2003, 3, 5, 6, 59, 59), Local(2003, 3, 5, 7)).size(), 1u);
    EXPECT_EQ(ListMemos().size(), kScheduleCapacity);
    EXPECT_EQ(daily.m_tAlarm, Local(2003, 3, 6, 7));
    EXPECT_EQ(daily.m_bDone, 0);

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

TEST_F(ScheduleTest, DailyAndWeeklyAlarmsKeepTheirHourAcrossSummerTime)
{
    for (const char* zone : {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe"}) {
        TzScope tz(zone);
        const auto changes = SummerTimeChanges(2003);
        ASSERT_EQ(changes.size(), 2u) << zone;
        for (const std::time_t change : changes) {
            // Days counted from the day of the change.
            const std::tm c = LocalTm(change);
            const auto at = [&](int day, int h, int m = 0, int s = 0) {
                return Local(2003, c.tm_mon + 1, c.tm_mday + day, h, m, s);
            };
            Clear();
            Add(Entry(at(-3, 7), {kOnTime}, RepeatDaily, "daily"));
            Add(Entry(at(-7, 7, 30), {kOnTime}, RepeatWeekly, "weekly"));
            AlarmPass(at(-8, 0));
            std::vector<std::pair<std::time_t, std::string>> rang, expected;
            for (int day = -7; day <= 7; ++day) {
                for (const std::time_t T : {at(day, 6, 59, 59), at(day, 7), at(day, 7, 29, 59), at(day, 7, 30)})
                    if (const AlarmNotice n = AlarmPass(T); !n.empty())
                        rang.emplace_back(T, n.text);
                if (day >= -3)
                    expected.emplace_back(at(day, 7), "[알림] daily\r\n");
                if (day % 7 == 0)
                    expected.emplace_back(at(day, 7, 30), "[알림] weekly\r\n");
            }
            EXPECT_EQ(rang, expected) << zone << " " << c.tm_mon + 1 << "-" << c.tm_mday;
        }

        // Left for years, they walk to their first time from now.
        Clear();
        auto& daily = Add(Entry(Local(2002, 6, 1, 7), {kOnTime}, RepeatDaily));
        auto& weekly = Add(Entry(Local(2002, 6, 3, 7), {kOnTime}, RepeatWeekly));  // a Monday
        daily.m_tLastCheck = weekly.m_tLastCheck = Local(2002, 6, 1);
        EXPECT_TRUE(AlarmPass(Local(2004, 2, 1, 12)).empty());
        EXPECT_EQ(daily.m_tAlarm, Local(2004, 2, 2, 7)) << zone;
        EXPECT_EQ(weekly.m_tAlarm, Local(2004, 2, 2, 7)) << zone;
    }
}

TEST_F(ScheduleTest, RecurringEntriesComeBackWhenTheClockGoesBack)
{
    // The clock showed 10 May until it was set back to Wednesday 5 March.
    auto& daily = Add(Entry(Local(2003, 3, 5, 7), {kOnTime}, RepeatDaily, "daily"));
    auto& weekly = Add(Entry(Local(2003, 3, 3, 8), {kOnTime}, RepeatWeekly, "weekly"));
    auto& monthly = Add(Entry(Local(2003, 1, 20, 9), {kOnTime}, RepeatMonthly, "monthly"));
    auto& later = Add(Entry(Local(2003, 6, 1, 7), {kOnTime}, RepeatDaily, "from June"));
    AlarmPass(Local(2003, 3, 1));
    AlarmPass(Local(2003, 5, 10, 12));
    ASSERT_EQ(daily.m_tAlarm, Local(2003, 5, 11, 7));
    ASSERT_EQ(weekly.m_tAlarm, Local(2003, 5, 12, 8));

    EXPECT_TRUE(AlarmPass(Local(2003, 3, 5, 6)).empty());
    EXPECT_EQ(daily.m_tAlarm, Local(2003, 3, 5, 7));
    EXPECT_EQ(weekly.m_tAlarm, Local(2003, 3, 10, 8));  // the next Monday
    EXPECT_EQ(monthly.m_tAlarm, Local(2003, 3, 20, 9));
    EXPECT_EQ(later.m_tAlarm, Local(2003, 6, 1, 7));     // it starts later: it waits
    const auto fired = Passes(Local(2003, 3, 5, 6, 0, 1), Local(2003, 3, 5, 7));
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, Local(2003, 3, 5, 7));

    // Where the series' time of day has passed already, the next one.
    const std::time_t noon = Local(2003, 3, 5, 12);
    EXPECT_EQ(FirstOccurrenceFrom(RepeatDaily, Local(2003, 5, 11, 7), noon), Local(2003, 3, 6, 7));
    EXPECT_EQ(FirstOccurrenceFrom(RepeatWeekly, Local(2003, 5, 7, 7), noon), Local(2003, 3, 12, 7));
    EXPECT_EQ(FirstOccurrenceFrom(RepeatMonthly, Local(2003, 5, 5, 7), noon), Local(2003, 4, 5, 7));
}
