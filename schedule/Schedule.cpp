#include "schedule/Schedule.h"

#include "base/DateText.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace {

ScheduleList s_scheduleList;
std::atomic<bool> s_bScheduleChanged{false};
// The running alarm thread's wake-up, and whose it is.
std::mutex s_wakerMutex;
const void* s_wakerOwner = nullptr;
std::function<void()> s_waker;

} // namespace

ScheduleList* const g_pScheduleList = &s_scheduleList;
std::recursive_mutex g_csScheduleList;

std::time_t NeverCheckedTime()
{
    return LocalYearStart(2002);
}

std::time_t LocalYearStart(int year)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mday = 1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

int LocalYear(std::time_t t)
{
    return LocalTm(t).tm_year + 1900;
}

CSchedueleStructure::CSchedueleStructure() : m_tLastCheck(NeverCheckedTime())
{
}

CSchedueleStructure::CSchedueleStructure(std::time_t lastCheck) : m_tLastCheck(lastCheck)
{
}

std::time_t NextOccurrence(std::int32_t kind, std::time_t t)
{
    if (!IsRecurring(kind))
        return t;
    // Calendar days and months, so the alarm keeps its hour when summer
    // time begins or ends; mktime carries a day the month lacks into the
    // month after.
    std::tm tm = LocalTm(t);
    if (kind == RepeatDaily)
        tm.tm_mday += 1;
    else if (kind == RepeatWeekly)
        tm.tm_mday += 7;
    else
        tm.tm_mon += 1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::time_t FirstOccurrenceFrom(std::int32_t kind, std::time_t t, std::time_t from)
{
    if (!IsRecurring(kind))
        return t;
    const std::tm at = LocalTm(t);
    std::tm tm = LocalTm(from);
    tm.tm_hour = at.tm_hour;
    tm.tm_min = at.tm_min;
    tm.tm_sec = at.tm_sec;
    if (kind == RepeatWeekly)
        tm.tm_mday += (at.tm_wday - tm.tm_wday + 7) % 7;
    else if (kind == RepeatMonthly)
        tm.tm_mday = at.tm_mday;
    tm.tm_isdst = -1;
    const std::time_t first = std::mktime(&tm);
    return first < from ? NextOccurrence(kind, first) : first;
}

void SortSchedules()
{
    std::lock_guard lock(g_csScheduleList);
    std::stable_sort(g_pScheduleList->begin(), g_pScheduleList->end(),
                     [](const auto& a, const auto& b) { return a->m_tAlarm < b->m_tAlarm; });
}

void NotifyScheduleChanged()
{
    s_bScheduleChanged = true;
    const std::lock_guard lock(s_wakerMutex);
    if (s_waker)
        s_waker();
}

void SetScheduleChangeWaker(const void* owner, std::function<void()> wake)
{
    const std::lock_guard lock(s_wakerMutex);
    s_wakerOwner = owner;
    s_waker = std::move(wake);
}

void ClearScheduleChangeWaker(const void* owner)
{
    const std::lock_guard lock(s_wakerMutex);
    if (s_wakerOwner != owner)
        return;
    s_wakerOwner = nullptr;
    s_waker = nullptr;
}

bool TakeScheduleChanged()
{
    return s_bScheduleChanged.exchange(false);
}
