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

constexpr std::time_t kDay = 86400;  // s

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
    switch (kind) {
    case RepeatDaily:
        return t + kDay;
    case RepeatWeekly:
        return t + 7 * kDay;
    case RepeatMonthly: {
        // mktime carries a day the month lacks into the month after.
        std::tm tm = LocalTm(t);
        tm.tm_mon += 1;
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    }
    default:
        return t;
    }
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
