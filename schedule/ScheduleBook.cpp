#include "schedule/ScheduleBook.h"

#include "base/Cp949.h"
#include "base/DateText.h"
#include "schedule/ScheduleFile.h"
#include "schedule/ScheduleView.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <tuple>

namespace {

constexpr const char* kRepeatNames[] = {"당일", "매일", "매주", "매달"};
constexpr int kEdgeMargin = 100;  // px a saved corner must lie inside the frame's rectangle
constexpr std::time_t kMinute = 60;  // s

// The manager's edits by number, and how far the alarm thread's saves got.
std::atomic<std::uint64_t> s_edits{0};
std::mutex s_saveMutex;
std::condition_variable s_saveReported;
bool s_saverRunning = false;        // under s_saveMutex
std::uint64_t s_savedThrough = 0;   // under s_saveMutex
std::uint64_t s_failedThrough = 0;  // under s_saveMutex

// Numbers an edit the list has just had and wakes the alarm thread for it;
// numbered first, so the save the wake-up starts counts it.
std::uint64_t Edited()
{
    const std::uint64_t edit = ++s_edits;
    NotifyScheduleChanged();
    return edit;
}

EditResult Refused(const char* message)
{
    EditResult result;
    result.message = message;
    return result;
}

// The answer to an edit the list has just had.
EditResult Done(const char* message)
{
    EditResult result;
    result.changed = true;
    result.message = message;
    result.edit = Edited();
    return result;
}

auto TimeOfDay(const std::tm& tm)
{
    return std::make_tuple(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

bool InMinute(std::time_t t, std::time_t minuteStart)
{
    return t >= minuteStart && t < minuteStart + kMinute;
}

// Whether an entry of kind other than except rings in the minute from
// minuteStart: the same date and time, so one day never blocks another.
bool IsDuplicate(const ScheduleList& list, std::time_t minuteStart, std::int32_t kind,
                 const CSchedueleStructure* except = nullptr)
{
    return std::any_of(list.begin(), list.end(), [&](const auto& e) {
        return e.get() != except && e->m_nRepeat == kind && InMinute(e->m_tAlarm, minuteStart);
    });
}

// The memo checks an addition and a change share: a refusal, or nothing
// with no lead switch on made the on-time switch.
std::optional<EditResult> CheckMemo(ScheduleEdit& edit)
{
    if (edit.memo.empty())
        return Refused(kEmptyMemoText);
    // Stored as '?' otherwise, and seen so only after the next start.
    if (const std::optional<std::string> bad = FirstCharNotInCp949(edit.memo)) {
        EditResult result;
        result.unstorable = *bad;
        return result;
    }
    if (std::none_of(edit.leads.begin(), edit.leads.end(), [](std::int32_t on) { return on != 0; }))
        edit.leads[kOnTime] = 1;
    return std::nullopt;
}

// The entry the delete and change buttons act on when no row is selected:
// one of the editor's kind at its time that falls on its date. A done
// entry is the record of an occurrence that rang, never the one the user
// means.
ScheduleList::iterator FindEditable(ScheduleList& list, const ScheduleEdit& edit)
{
    const std::tm date = LocalTm(EditTime(edit));
    return std::find_if(list.begin(), list.end(), [&](const auto& e) {
        if (e->m_bDone != 0 || e->m_nRepeat != edit.repeat)
            return false;
        const std::tm a = LocalTm(e->m_tAlarm);
        if (a.tm_hour != edit.hour || a.tm_min != edit.minute)
            return false;
        switch (e->m_nRepeat) {
        case RepeatOnce: return a.tm_year == date.tm_year && a.tm_yday == date.tm_yday;
        case RepeatDaily: return true;
        case RepeatWeekly: return a.tm_wday == date.tm_wday && a.tm_mday == date.tm_mday;
        case RepeatMonthly: return a.tm_mday == date.tm_mday;
        default: return false;
        }
    });
}

// The selected row's entry while it is still in the list, else the one
// the editor names.
ScheduleList::iterator FindTarget(ScheduleList& list, const ScheduleEdit& edit)
{
    if (!edit.selected.entry)
        return FindEditable(list, edit);
    return std::find_if(list.begin(), list.end(), [&](const auto& e) {
        return e.get() == edit.selected.entry && e->m_tCreated == edit.selected.created;
    });
}

// When e rings on the editor's date: that date at e's time of day.
std::time_t OccurrenceOn(const ScheduleEdit& edit, const CSchedueleStructure& e)
{
    const std::tm a = LocalTm(e.m_tAlarm);
    ScheduleEdit at = edit;
    at.hour = a.tm_hour;
    at.minute = a.tm_min;
    return EditTime(at);
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
        return Refused(kPastAddText);  // a recurring entry may start in the past
    if (auto refused = CheckMemo(edit))
        return *refused;
    if (edit.repeat < RepeatOnce || edit.repeat > RepeatMonthly)
        edit.repeat = RepeatOnce;

    auto entry = std::make_unique<CSchedueleStructure>();
    entry->m_tAlarm = T;
    entry->m_tCreated = now;
    entry->m_strMemo = edit.memo;
    entry->m_nRepeat = edit.repeat;
    for (int i = 0; i < kLeadCount; ++i)
        entry->m_bLead[i] = edit.leads[i] != 0;
    {
        std::lock_guard lock(g_csScheduleList);
        ScheduleList& list = *g_pScheduleList;
        if (IsDuplicate(list, T, edit.repeat))
            return Refused(kDuplicateText);
        // Refused here rather than lost: nothing may drop an entry the user made.
        if (list.size() >= kScheduleCapacity)
            return Refused(kBookFullText);
        // Ahead of the entries of its minute, which the stable sort keeps.
        const auto at = std::find_if(list.begin(), list.end(),
                                     [&](const auto& e) { return InMinute(e->m_tAlarm, T) || e->m_tAlarm > T; });
        list.insert(at, std::move(entry));
    }
    SortSchedules();
    return Done(IsRecurring(edit.repeat) ? kAddedRecurringText : kAddedText);
}

EditResult DeleteSchedule(const ScheduleEdit& edit, std::time_t now)
{
    // Without a row the editor's time is the occurrence; with one, the row's entry's.
    if (!edit.selected.entry && EditTime(edit) < now)
        return Refused(kPastDeleteText);
    {
        std::lock_guard lock(g_csScheduleList);
        ScheduleList& list = *g_pScheduleList;
        const auto found = FindTarget(list, edit);
        if (found == list.end())
            return Refused(kNothingToDeleteText);
        if (OccurrenceOn(edit, **found) < now)
            return Refused(kPastDeleteText);
        list.erase(found);
    }
    return Done(kDeletedText);
}

EditResult ChangeSchedule(ScheduleEdit& edit, std::time_t now)
{
    if (!edit.selected.entry && EditTime(edit) < now)
        return Refused(kPastChangeText);
    if (auto refused = CheckMemo(edit))
        return *refused;
    {
        std::lock_guard lock(g_csScheduleList);
        ScheduleList& list = *g_pScheduleList;
        const auto found = FindTarget(list, edit);
        if (found == list.end())
            return Refused(kNothingToChangeText);
        CSchedueleStructure& e = **found;
        if (OccurrenceOn(edit, e) < now)
            return Refused(kPastChangeText);
        const std::tm a = LocalTm(e.m_tAlarm);
        if (a.tm_hour != edit.hour || a.tm_min != edit.minute)
            return Refused(kTimeFixedText);
        const std::int32_t kind =
            edit.repeat >= RepeatOnce && edit.repeat <= RepeatMonthly ? edit.repeat : e.m_nRepeat;
        std::array<std::int32_t, kLeadCount> leads{};
        for (int i = 0; i < kLeadCount; ++i)
            leads[i] = edit.leads[i] != 0;
        if (e.m_strMemo == edit.memo && e.m_nRepeat == kind && e.m_bLead == leads)
            return Refused(kUnchangedText);
        if (kind != e.m_nRepeat && IsDuplicate(list, e.m_tAlarm - e.m_tAlarm % kMinute, kind, &e))
            return Refused(kDuplicateText);
        e.m_strMemo = edit.memo;
        e.m_nRepeat = kind;
        e.m_bLead = leads;
    }
    return Done(kChangedText);
}

EditResult DeleteAllSchedules()
{
    {
        std::lock_guard lock(g_csScheduleList);
        g_pScheduleList->clear();
    }
    return Done(kAllDeletedText);
}

std::uint64_t BookEditCount()
{
    return s_edits;
}

void SetBookSaverRunning(bool running)
{
    {
        const std::lock_guard lock(s_saveMutex);
        s_saverRunning = running;
    }
    s_saveReported.notify_all();
}

void ReportBookSave(std::uint64_t through, bool saved)
{
    {
        const std::lock_guard lock(s_saveMutex);
        std::uint64_t& reached = saved ? s_savedThrough : s_failedThrough;
        reached = std::max(reached, through);
    }
    s_saveReported.notify_all();
}

BookSaved WaitForBookSave(std::uint64_t edit, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(s_saveMutex);
    s_saveReported.wait_for(lock, timeout, [&] {
        return !s_saverRunning || s_savedThrough >= edit || s_failedThrough >= edit;
    });
    if (s_savedThrough >= edit)
        return BookSaved::Yes;
    if (s_failedThrough >= edit)
        return BookSaved::No;
    return BookSaved::Unknown;
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
        for (auto it = archive->rbegin(); it != archive->rend(); ++it) {
            if (it->m_tAlarm >= dayStart && it->m_tAlarm < dayEnd) {
                out.rows.push_back(RowOf(*it));
                out.entries.emplace_back();  // not in the book
            }
        }
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
        if (listed) {
            out.rows.push_back(RowOf(*e));
            out.entries.push_back({e.get(), e->m_tCreated});
        }
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
