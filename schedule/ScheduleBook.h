#pragma once
// What the schedule manager does to the book: the rows it lists for a
// date, and its add, change, delete and delete-all, each answering with the
// message the user is shown. Every change is made under g_csScheduleList
// and ends with NotifyScheduleChanged, so the alarm thread saves the book
// at its next pass; that thread reports here whether the save held, so
// the manager never calls an edit done that cannot reach the disk.

#include "base/Geometry.h"
#include "schedule/Schedule.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kPastAddText = "현재 일시 이후부터 입력하실수 있읍니다.";
inline constexpr const char* kEmptyMemoText = "일정 내용을 입력하십시요!";
inline constexpr const char* kDuplicateText = "등록된 일정이 있읍니다. ";
inline constexpr const char* kBookFullText = "일정은 10000개까지 등록할 수 있습니다.";
inline constexpr const char* kAddedText = "일정이 추가되었습니다. ";
inline constexpr const char* kAddedRecurringText =
    "일정이 추가되었습니다.    \r\n선택된 날짜로부터 정기적으로 알람을 합니다.";
inline constexpr const char* kPastDeleteText = "현재 시각 이전의 일정은 삭제할 수 없습니다.";
inline constexpr const char* kNothingToDeleteText = "삭제할 일정이 없습니다.";
inline constexpr const char* kDeletedText = "일정이 삭제되었습니다. ";
inline constexpr const char* kPastChangeText = "현재 시각 이전의 일정은 변경할 수 없습니다.";
inline constexpr const char* kUnchangedText = "일정 내용이 동일하여, 변경을 취소하였습니다.";
inline constexpr const char* kNothingToChangeText = "변경할 일정이 없습니다.";
inline constexpr const char* kChangedText = "일정이 변경되었습니다. ";
inline constexpr const char* kDeleteAllQuestion = "주의! 모든 일정 정보가 삭제됩니다. \n정말, 삭제하시겠습니까?";
inline constexpr const char* kAllDeletedText = "일정이 모두 삭제되었습니다. ";
inline constexpr const char* kTimeFixedText = "알람시간은 변경할 수 없습니다. 삭제한 뒤 다시 추가하십시오.";
inline constexpr const char* kBookNotSavedText =
    "일정 파일을 저장하지 못했습니다.\r\n저장할 수 있을 때까지 다시 시도합니다.";

// "당일", "매일", "매주", "매달" by RepeatKind; "" for any other value.
const char* RepeatName(std::int32_t kind);

// The entry of the book a listed row shows: its address while it is in
// the list, with when it was made, so a row never names an entry that has
// since taken a deleted one's place. No entry for a row of an archive.
struct EntryRef
{
    const CSchedueleStructure* entry = nullptr;
    std::time_t created = 0;
};

// What the manager's editor holds when a button is pressed.
struct ScheduleEdit
{
    int year = 2002, month = 1, day = 1;  // the calendar's date
    int hour = 0, minute = 0;             // 0..23, 0..59
    std::string memo;                     // UTF-8, lines ending "\r\n"
    std::int32_t repeat = -1;             // RepeatKind; -1 when no radio is checked
    EntryRef selected{};                  // the row selected in the list, if any
    std::array<std::int32_t, kLeadCount> leads{};
};

// Y-M-D h:m:00 of edit in local time.
std::time_t EditTime(const ScheduleEdit& edit);

// The answer to a button: whether the book changed, and what to tell the user.
struct EditResult
{
    bool changed = false;
    const char* message = "";
    std::string unstorable;  // with no message: the memo's first character CP949 cannot hold
    std::uint64_t edit = 0;  // when changed: the edit's number, for WaitForBookSave
};

// Adds an entry at EditTime(edit), refusing a one-day entry in the past, an
// empty memo, a memo the book's files cannot hold, a duplicate (same date,
// hour, minute and kind) and a book already holding kScheduleCapacity
// entries. Past the memo's checks, edit.repeat outside 0..3 becomes 0 and
// no lead switch on becomes the on-time switch, in edit too.
EditResult AddSchedule(ScheduleEdit& edit, std::time_t now);
// Deletes the selected entry, or else the first entry of edit's kind that
// is not done, at edit's hour and minute, falling on edit's date: a
// one-day entry that day, a daily one any day, a weekly one on its date, a
// monthly one on its day of the month. Refused when that occurrence is
// before now.
EditResult DeleteSchedule(const ScheduleEdit& edit, std::time_t now);
// Gives the entry DeleteSchedule would delete edit's memo, kind and lead
// switches after the memo checks of AddSchedule (no lead switch on becomes
// the on-time switch, in edit too); its alarm time stays, so a selected
// entry is refused another hour or minute.
EditResult ChangeSchedule(ScheduleEdit& edit, std::time_t now);
// Empties the book.
EditResult DeleteAllSchedules();

// Whether an edit is on disk, as the alarm thread reported its saves.
enum class BookSaved { Yes, No, Unknown };
// The number of the last edit made through the functions above; a save
// that copies the list after reading it holds every edit up to it.
std::uint64_t BookEditCount();
// The alarm thread says that it runs and saves the book, or that it stopped.
void SetBookSaverRunning(bool running);
// The alarm thread's save that held every edit up to through went well or not.
void ReportBookSave(std::uint64_t through, bool saved);
// Waits at most timeout for a save holding edit: Yes when one wrote it,
// else No when one failed (the thread tries again), Unknown when no thread
// saves or none came in time.
BookSaved WaitForBookSave(std::uint64_t edit, std::chrono::milliseconds timeout);

// One row of the manager's list: "hh:mm:ss", memo, repetition name, then
// hour, minute and the eight lead switches as "%d".
constexpr int kScheduleColumns = 13;
using ScheduleRow = std::array<std::string, kScheduleColumns>;
ScheduleRow RowOf(const CSchedueleStructure& e);

// The rows listed for a date. An earlier year than now's is read from its
// archive in dir, newest record first; otherwise the book gives the
// entries due that day and, in list order, the recurring ones not done
// that fall on it from their start on (today only those still to come).
struct DayRows
{
    std::vector<ScheduleRow> rows;
    std::vector<EntryRef> entries;  // the entry of each row
    bool archiveMissing = false;    // the year's archive could not be read
};
DayRows ScheduleDayRows(const std::string& dir, int year, int month, int day, std::time_t now);

// Where the manager opens, given its saved corner and the frame's
// rectangle: the corner when it lies at least 100 px inside the
// rectangle's right and bottom, else half the rectangle's right and bottom;
// nothing when no corner was saved.
std::optional<Point> ScheduleDlgPosition(const std::optional<Point>& saved, const Rect& frame);
