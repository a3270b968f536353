#pragma once
// The schedule files: the .sch record format, the live file, the archive of
// each past year and the backups made at the first start of a new year; and
// the alarm page a click on an alarm popup opens. Every function takes the
// folder the files lie in (the program's own: ".").
//
// A .sch file is a plain run of records, no header, little-endian:
//   0        4  m_tAlarm     unsigned seconds since 1970 UTC
//   4        4  m_tLastCheck
//   8        4  m_tCreated
//   12       p  memo length L: 1 byte (L < 255); 0xFF + 16 bits (L < 65534);
//               0xFF 0xFFFF + 32 bits
//   12+p     L  memo, CP949, no terminating zero
//   12+p+L   4  m_nRepeat    signed
//   16+p+L  32  m_bLead[0..7], each signed 32-bit
//   48+p+L   4  m_bDone
// 52 + p + L bytes in all. 0xFFFE after the 0xFF byte would mark 16-bit
// text, which this program never writes and reads as a damaged record.

#include "schedule/Schedule.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kLiveScheduleFile = "forward_v3_3.sch";
inline constexpr const char* kScheduleFileExtension = ".sch";
inline constexpr const char* kArchiveSuffix = "_v3_3.sch";  // after the year
inline constexpr const char* kAlarmPageFile = "일정.htm";
inline constexpr const char* kNoScheduleFileText = "일정 파일이 없습니다";

constexpr std::size_t kRecordFixedBytes = 52;          // all but the prefix and the memo
constexpr int kBackupAttempts = 21;                    // "_" up to "_" x 21
constexpr std::size_t kMaxScheduleFileBytes = 256u << 20;  // larger reads as unreadable

// The record of e, appended to out. Times outside 0..2^32-1 s are clamped.
void AppendRecord(std::string& out, const CSchedueleStructure& e);

// Reads the record at the front of data into e (m_bFired cleared) and
// returns its length; 0 when data ends before the record does or holds a
// form this program does not read, and e is then unspecified.
std::size_t ReadRecord(std::string_view data, CSchedueleStructure& e);

// The entries of a whole file image, in file order, at most limit of them.
// whole tells whether the image ended with the last record read; reading
// stops at the first record that is cut short or unreadable.
std::vector<CSchedueleStructure> ReadRecords(std::string_view data, bool* whole = nullptr,
                                             std::size_t limit = SIZE_MAX);

// The file name of the archive of year: "2001_v3_3.sch".
std::string ArchiveFileName(int year);

// The entries of the .sch file at path, or nothing when it cannot be read.
std::optional<std::vector<CSchedueleStructure>> ReadScheduleFile(const std::string& path);

// Copies path to path + "_", or, when that fails (for instance because it
// exists), to path + "__" and so on, kBackupAttempts names in all; false
// when every one failed. A backup is never overwritten and gets the
// permissions of path.
bool BackUpFile(const std::string& path);
// The same with the bytes of path already read.
bool BackUpFile(const std::string& path, std::string_view bytes);

// What LoadSchedules found.
enum class ScheduleLoad {
    Loaded,             // the live file was read (or created empty)
    LiveUnreadable,     // the live file cannot be read or created; list empty
    ArchiveUnwritable,  // the archive cannot be written; the entries due
                        // for it stay in the list
};

// Fills g_pScheduleList from the live file in dir as of now. When
// saveStamp (the year of the last save) is not now's year, every .sch file
// of dir is first backed up (BackUpFile). Entries of an earlier year that
// are one-day or done move to the archive of the year before now's
// (records appended; a failed write leaves the archive as it was) and the
// live file is saved without them; the rest make up the list, in file
// order. A live file with bytes that do not read as records, or with more
// than kScheduleCapacity records, is backed up before anything can
// overwrite it, and only its first whole records up to that number are
// read. Temporary files of saves killed midway are removed first.
ScheduleLoad LoadSchedules(const std::string& dir, std::time_t now, std::int32_t saveStamp);

// Writes g_pScheduleList, head to tail, to the live file in dir, replacing
// it whole (see ReplaceFile). False with errno set when it could not be
// written; the old file is then unchanged. The list is copied under its
// lock and written after the lock is released.
bool SaveSchedules(const std::string& dir);

// Writes html (UTF-8) as CP949, exactly and with nothing around it, to the
// alarm page in dir; the page's path, or nothing when it could not be written.
std::optional<std::string> WriteAlarmPage(const std::string& dir, std::string_view html);
