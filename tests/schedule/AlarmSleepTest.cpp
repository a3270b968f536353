// The alarm thread's sleep: passes only at NextAlarmPoint give the alarms
// that a pass every second gives, at the same seconds; and the system
// clock it sleeps on wakes at its point, never before.

#include "ScheduleTestSupport.h"

#include "base/NextSecond.h"
#include "schedule/AlarmClock.h"
#include "schedule/CScheduleThread.h"

#include <chrono>
#include <random>
#include <thread>
#include <tuple>

namespace {

using namespace std::chrono_literals;
using Fired = std::vector<std::tuple<std::time_t, std::string, std::string>>;

void Book(const std::vector<CSchedueleStructure>& entries)
{
    std::lock_guard lock(g_csScheduleList);
    g_pScheduleList->clear();
    for (const auto& e : entries)
        g_pScheduleList->push_back(std::make_unique<CSchedueleStructure>(e));
}

void Record(Fired& fired, std::time_t T)
{
    if (const AlarmNotice n = AlarmPass(T); !n.empty())
        fired.emplace_back(T, n.text, n.html);
}

Fired EverySecond(const std::vector<CSchedueleStructure>& entries, std::time_t first, std::time_t last)
{
    Book(entries);
    Fired fired;
    for (std::time_t T = first; T <= last; ++T)
        Record(fired, T);
    return fired;
}

Fired AtNextPoints(const std::vector<CSchedueleStructure>& entries, std::time_t first, std::time_t last,
                   int& passes)
{
    Book(entries);
    Fired fired;
    passes = 0;
    for (std::time_t T = first; T <= last; ++passes) {
        Record(fired, T);
        std::lock_guard lock(g_csScheduleList);
        const std::time_t next = NextAlarmPoint(*g_pScheduleList, T);
        EXPECT_GT(next, T);
        T = next;
    }
    return fired;
}

// How long sleep() took.
template <typename F>
std::chrono::milliseconds Took(F sleep)
{
    const auto start = std::chrono::steady_clock::now();
    sleep();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

} // namespace

TEST_F(ScheduleTest, PassesAtTheNextPointGiveWhatPassesEverySecondGive)
{
    // A day of a book of every kind: entries at whole minutes and at odd
    // seconds, every repetition and a damaged one, some never checked, some
    // checked long ago, some done.
    const std::time_t first = Local(2003, 3, 5, 6);
    const std::time_t last = first + 24 * 3600;
    std::mt19937 rng(20030305);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<CSchedueleStructure> entries;
    for (int i = 0; i < 60; ++i) {
        const std::time_t at = first + pick(-7200, 26 * 3600);
        CSchedueleStructure e = Entry(i % 2 ? at - at % 60 : at, {}, std::array{0, 0, 1, 2, 3, 7}[pick(0, 5)]);
        for (int lead = 0; lead < kLeadCount; ++lead)
            e.m_bLead[lead] = pick(0, 9) < 4;
        e.m_strMemo = "memo" + std::to_string(i);
        if (i % 3)
            e.m_tLastCheck = first - pick(1, 7200);
        e.m_bDone = pick(0, 9) == 0;
        entries.push_back(e);
    }
    int passes = 0;
    const Fired sparse = AtNextPoints(entries, first, last, passes);
    const Fired dense = EverySecond(entries, first, last);
    EXPECT_GT(dense.size(), 40u);
    EXPECT_EQ(sparse, dense);
    EXPECT_LT(passes, 400);  // it slept in between

    // A daily entry that rings only before its time moves on unrung, and
    // rings again the next day.
    const std::vector<CSchedueleStructure> leadOnly = {Entry(first + 3600, {2}, RepeatDaily, "lead only")};
    const Fired twice = AtNextPoints(leadOnly, first, first + 2 * 24 * 3600, passes);
    EXPECT_EQ(twice, EverySecond(leadOnly, first, first + 2 * 24 * 3600));
    EXPECT_EQ(twice.size(), 2u);

    // New Year's night: the last hour of a year withholds the lead points
    // of alarms in the next.
    const std::time_t eve = Local(2003, 12, 31, 22);
    const std::vector<CSchedueleStructure> night = {
        Entry(Local(2004, 1, 1, 0, 30), {kOnTime, 7}, RepeatOnce, "0:30"),
        Entry(Local(2003, 12, 31, 23), {kOnTime}, RepeatDaily, "daily"),
        Entry(Local(2004, 1, 1, 1), {kOnTime, 6, 7}, RepeatWeekly, "weekly"),
    };
    const Fired newYear = AtNextPoints(night, eve, eve + 4 * 3600, passes);
    EXPECT_EQ(newYear, EverySecond(night, eve, eve + 4 * 3600));
    EXPECT_EQ(newYear.size(), 5u);
}

TEST(SystemAlarmClockTest, WakesAtItsPointNeverBeforeOrWhenWoken)
{
    SystemAlarmClock clock;
    // At the point the clock reads it already.
    const std::time_t point = SecondsNow() + 1;
    EXPECT_LE(Took([&] { clock.SleepUntil(point); }), 1100ms);
    EXPECT_GE(SecondsNow(), point);

    // A point passed, even the first second of 1970, ends the sleep at once.
    EXPECT_LT(Took([&] { clock.SleepUntil(point - 100); }), 100ms);
    EXPECT_LT(Took([&] { clock.SleepUntil(0); }), 100ms);

    // A wake ends an hour's sleep, and one that came first the next sleep,
    // which uses it up: the sleep after that lasts to its point.
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        clock.Wake();
    });
    EXPECT_LT(Took([&] { clock.SleepUntil(SecondsNow() + 3600); }), 1000ms);
    waker.join();
    clock.Wake();
    EXPECT_LT(Took([&] { clock.SleepUntil(SecondsNow() + 3600); }), 100ms);
    const std::time_t later = SecondsNow() + 1;
    clock.SleepUntil(later);
    EXPECT_GE(SecondsNow(), later);
}
