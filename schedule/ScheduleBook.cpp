#include "schedule/ScheduleBook.h"

#include "base/DateText.h"
#include "schedule/ScheduleFile.h"
#include "schedule/ScheduleView.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <tuple>

namespace {

constexpr const char* kRepeatNames[] = {"당일", "매일", "매주", "매달"};
constexpr int kEdgeMargin = 100;  // px a saved corner must lie inside the frame's rectangle

auto TimeOfDay(const std::tm& tm)
{
    return std::make_tuple(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

// The entry the delete and change buttons act on: a daily entry at the
// editor's time, or a weekly one at that time falling on the editor's date.
// A done entry is the record of an occurrence that rang, never the one the
// user means.
ScheduleList::iterator FindEditable(ScheduleList& list, const ScheduleEdit& edit)
{
    const std::tm date = LocalTm(EditTime(edit));
    return std::find_if(list.begin(), list.end(), [&](const auto& e) {
        if (e->m_bDone != 0 || e->m_nRepeat != edit.repeat)
            return false;
        const std::tm a = LocalTm(e->m_tAlarm);
        if (a.tm_hour != edit.hour || a.tm_min != edit.minute)
            return false;
        if (e->m_nRepeat == RepeatDaily)
            return true;
        return e->m_nRepeat == RepeatWeekly && a.tm_wday == date.tm_wday && a.tm_mday == edit.day;
    });
}

} // namespace

const char* RepeatName(std::int32_t kind)
{
    return kind >= RepeatOnce && kind <= RepeatMonthly ? kRepeatNames[kind] : "";
}

std::time_t EditTime(const ScheduleEdit& edit)
{
    std::tm tm{};
    tm.tm_year = edit.year - 1900;
    tm.tm_mon = edit.month - 1;
    tm.tm_mday = edit.day;
    tm.tm_hour = edit.hour;
    tm.tm_min = edit.minute;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

EditResult AddSchedule(ScheduleEdit& edit, std::time_t now)
{
    const std::time_t T = EditTime(edit);
    if (T < now && edit.repeat < RepeatDaily)
        return {false, kPastAddText};  // a recurring entry may start in the past
    if (edit.memo.empty())
        return {false, kEmptyMemoText};
    if (edit.repeat < RepeatOnce || edit.repeat > RepeatMonthly)
        edit.repeat = RepeatOnce;
    if (std::none_of(edit.leads.begin(), edit.leads.end(), [](std::int32_t on) { return on != 0; }))
        edit.leads[kOnTime] = 1;

    auto entry = std::make_unique<CSchedueleStructure>();
    entry->m_tAlarm = T;
    entry->m_tCreated = now;
    entry->m_strMemo = edit.memo;
    entry->m_nRepeat = edit.repeat;
    for (int i = 0; i < kLeadCount; ++i)
        entry->m_bLead[i] = edit.leads[i] != 0;

    const std::tm t = LocalTm(T);
    ScheduleEdit month = edit;
    month.day = 1;
    month.hour = month.minute = 0;
    const std::time_t monthStart = EditTime(month);
    ++month.month;
    const std::time_t monthEnd = EditTime(month);
    {
        std::lock_guard lock(g_csScheduleList);
        ScheduleList& list = *g_pScheduleList;
        // The month by its bounds first: local time is dear over a full book.
        const auto sameMinute = [&](const auto& e) {
            if (e->m_tAlarm < monthStart || e->m_tAlarm >= monthEnd)
                return false;
            const std::tm a = LocalTm(e->m_tAlarm);
            return a.tm_hour == t.tm_hour && a.tm_min == t.tm_min;
        };
        if (std::any_of(list.begin(), list.end(),
                        [&](const auto& e) { return e->m_nRepeat == edit.repeat && sameMinute(e); }))
            return {false, kDuplicateText};
        // Refused here rather than lost: nothing may drop an entry the user made.
        if (list.size() >= kScheduleCapacity)
            return {false, kBookFullText};
        const auto at = std::find_if(list.begin(), list.end(),
                                     [&](const auto& e) { return sameMinute(e) || e->m_tAlarm > T; });
        list.insert(at, std::move(entry));
    }
    SortSchedules();
    NotifyScheduleChanged();
    return {true, IsRecurring(edit.repeat) ? kAddedRecurringText : kAddedText};
}

EditResult DeleteSchedule(const ScheduleEdit& edit, std::time_t now)
{
    if (EditTime(edit) < now)
        return {false, kPastDeleteText};
    {
        std::lock_guard lock(g_csScheduleList);
        ScheduleList& list = *g_pScheduleList;
        const auto found = FindEditable(list, edit);
        if (found == list.end())
            return {false, kNothingToDeleteText};
        list.erase(found);
    }
    NotifyScheduleChanged();
    return {true, kDeletedText};
}

EditResult ChangeSchedule(const ScheduleEdit& edit, std::time_t now)
{
    if (EditTime(edit) < now)
        return {false, kPastChangeText};
    {
        std::lock_guard lock(g_csScheduleList);
        ScheduleList& list = *g_pScheduleList;
        const auto found = FindEditable(list, edit);
        if (found == list.end())
            return {false, kNothingToChangeText};
        CSchedueleStructure& e = **found;
        std::array<std::int32_t, kLeadCount> leads{};
        for (int i = 0; i < kLeadCount; ++i)
            leads[i] = edit.leads[i] != 0;
        if (e.m_strMemo == edit.memo && e.m_nRepeat == edit.repeat && e.m_bLead == leads)
            return {false, kUnchangedText};
        e.m_strMemo = edit.memo;
        e.m_nRepeat = edit.repeat;
        e.m_bLead = leads;
    }
    NotifyScheduleChanged();
    return {true, kChangedText};
}

void DeleteAllSchedules()
{
    {
        std::lock_guard lock(g_csScheduleList);
        g_pScheduleList->clear();
    }
    NotifyScheduleChanged();
}

ScheduleRow RowOf(const CSchedueleStructure& e)
{
    const std::tm tm = LocalTm(e.m_tAlarm);
    char time[16];
    std::snprintf(time, sizeof time, "%2d:%2d:%2d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    ScheduleRow row{ZeroFilled(time), e.m_strMemo, RepeatName(e.m_nRepeat),
                    std::to_string(tm.tm_hour), std::to_string(tm.tm_min)};
    for (int i = 0; i < kLeadCount; ++i)
        row[5 + i] = std::to_string(e.m_bLead[i]);
    return row;
}

DayRows ScheduleDayRows(const std::string& dir, int year, int month, int day, std::time_t now)
{
    ScheduleEdit midnight;
    midnight.year = year;
    midnight.month = month;
    midnight.day = day;
    const std::time_t dayStart = EditTime(midnight);
    ++midnight.day;
    const std::time_t dayEnd = EditTime(midnight);
    const std::tm D = LocalTm(dayStart);
    const std::tm nowTm = LocalTm(now);
    DayRows out;

    if (year < nowTm.tm_year + 1900) {
        const std::string path = (dir.empty() ? "" : dir + "/") + ArchiveFileName(year);
        const auto archive = ReadScheduleFile(path);
        if (!archive) {
            out.archiveMissing = true;
            return out;
        }
        for (auto it = archive->rbegin(); it != archive->rend(); ++it)
            if (it->m_tAlarm >= dayStart && it->m_tAlarm < dayEnd)
                out.rows.push_back(RowOf(*it));
        return out;
    }

    const bool today = now >= dayStart && now < dayEnd;
    std::lock_guard lock(g_csScheduleList);
    for (const auto& e : *g_pScheduleList) {
        bool listed = e->m_tAlarm >= dayStart && e->m_tAlarm < dayEnd;
        // A recurring entry from the day it starts on.
        if (!listed && IsRecurring(e->m_nRepeat) && e->m_bDone == 0 && e->m_tAlarm < dayEnd) {
            const std::tm a = LocalTm(e->m_tAlarm);
            listed = (!today || TimeOfDay(a) >= TimeOfDay(nowTm)) &&
                     (e->m_nRepeat == RepeatDaily ||
                      (e->m_nRepeat == RepeatWeekly && a.tm_wday == D.tm_wday) ||
                      (e->m_nRepeat == RepeatMonthly && a.tm_mday == D.tm_mday));
        }
        if (listed)
            out.rows.push_back(RowOf(*e));
    }
    return out;
}

std::optional<Point> ScheduleDlgPosition(const std::optional<Point>& saved, const Rect& frame)
{
    if (!saved)
        return std::nullopt;
    const std::int64_t right = std::int64_t{frame.left} + frame.width;
    const std::int64_t bottom = std::int64_t{frame.top} + frame.height;
    if (right - kEdgeMargin >= saved->x && bottom - kEdgeMargin >= saved->y)
        return saved;
    return Point{static_cast<std::int32_t>(right / 2), static_cast<std::int32_t>(bottom / 2)};
}
