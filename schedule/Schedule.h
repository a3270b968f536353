#pragma once
// The schedule book in memory: one entry, the one list that owns every
// entry, and the lock that guards both. The alarm thread walks the list
// about a hundred times a second; the windows edit it on the user-interface
// thread, always while holding g_csScheduleList.

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// How an entry repeats (the value of m_nRepeat).
enum RepeatKind : std::int32_t {
    RepeatOnce = 0,     // "당일": one alarm on the given date
    RepeatDaily = 1,    // "매일"
    RepeatWeekly = 2,   // "매주": the same weekday
    RepeatMonthly = 3,  // "매달": the same day of the month
};

// True for the three kinds that move on after their alarm; any other value,
// such as one from a damaged file, behaves as a one-day entry.
constexpr bool IsRecurring(std::int32_t kind)
{
    return kind >= RepeatDaily && kind <= RepeatMonthly;
}

// The lead times of m_bLead and m_bFired, index 0 being the alarm itself.
constexpr int kLeadCount = 8;
constexpr int kOnTime = 0;
constexpr int kLeadMinutes[kLeadCount] = {0, 1, 5, 10, 15, 30, 45, 60};

// The most entries the manager lets the book hold.
constexpr std::size_t kScheduleCapacity = 10000;

// One schedule entry. Time values are seconds since 1970-01-01 00:00:00 UTC,
// read in local time; the file keeps them as unsigned 32-bit numbers.
class CSchedueleStructure
{
public:
    // A new entry, never checked (m_tLastCheck = NeverCheckedTime()).
    CSchedueleStructure();
    // An entry whose last check is lastCheck; for readers that fill every
    // field themselves, so they skip the local-time conversion.
    explicit CSchedueleStructure(std::time_t lastCheck);

    // What every alarm pass reads comes first, within one cache line.
    std::int32_t m_bDone = 0;     // 1 once the on-time alarm fired; never checked again
    std::int32_t m_nRepeat = RepeatOnce;
    std::time_t m_tAlarm = 0;     // alarm date and time
    std::time_t m_tLastCheck = 0; // start of the next alarm-check window: all before it handled
    std::array<std::int32_t, kLeadCount> m_bLead{};   // 0 or 1 per lead time
    std::array<std::int32_t, kLeadCount> m_bFired{};  // given during this run; not stored
    std::time_t m_tCreated = 0;   // when it was added; kept, never used
    std::string m_strMemo;        // UTF-8 here, CP949 in the file
    // The memo's bytes as the file held them, written back while they still
    // read as m_strMemo: bytes CP949 lacks survive in entries nobody edited.
    std::string m_strStoredMemo;
};

// 2002-01-01 00:00:00 local time: the last check of an entry never checked.
std::time_t NeverCheckedTime();
// The first second of year (four digits) in local time.
std::time_t LocalYearStart(int year);
// The local year of t, four digits.
int LocalYear(std::time_t t);

using ScheduleList = std::vector<std::unique_ptr<CSchedueleStructure>>;

// The one list of entries, alive for the whole process. It owns its entries.
extern ScheduleList* const g_pScheduleList;
// Guards g_pScheduleList and every entry in it; re-entrant.
extern std::recursive_mutex g_csScheduleList;

// The next alarm time of an entry of kind that last rang at t: the same
// local time a day or a week later, or on the same day of the next month,
// where a day the month lacks rolls over into the month after
// (31 January -> 3 March). A kind that does not recur gives t itself.
std::time_t NextOccurrence(std::int32_t kind, std::time_t t);
// The first alarm time at or after from of an entry of kind whose series
// has an alarm at t (the same time of day, weekday or day of the month).
// A kind that does not recur gives t itself.
std::time_t FirstOccurrenceFrom(std::int32_t kind, std::time_t t, std::time_t from);

// Sorts the list by ascending alarm time under the lock; entries with equal
// times keep their order.
void SortSchedules();

// Tells the alarm thread that the list was changed and wakes it, so it
// saves the book at once. Every edit of the list outside that thread ends
// with it.
void NotifyScheduleChanged();
// The running alarm thread's wake-up, called by NotifyScheduleChanged;
// owner names whose it is, so a thread that stops clears only its own.
void SetScheduleChangeWaker(const void* owner, std::function<void()> wake);
void ClearScheduleChangeWaker(const void* owner);
// Whether the list changed since the last call; clears the mark.
bool TakeScheduleChanged();
