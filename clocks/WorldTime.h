#pragma once
// The world time table: every region the world clocks can show, with its
// distance from Korean time and its summer-time rules, read from the file
// "세계시간표.txt" beside the program. A row index names a region everywhere
// (dialog selection, clock windows, saved WORLDDLG%d_AREACODE values).
//
// The file is CP949 text: eight groups, each a name and a count N followed
// by N records "name offsetMinutes dstStartRule dstEndRule", all tokens
// separated by white space. Names stay CP949 in the table; WorldTimeName
// gives them in UTF-8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "clocks/WallTime.h"
#include "clocks/WorldTimeTree.h"

constexpr std::size_t kWorldTimeNameSize = 80;  // bytes with the NUL: names up to 79
constexpr std::int32_t kWorldTimeRows = 10000;  // row 0 "UTC", 9999 for the file
constexpr int kWorldTimeGroups = 8;

struct WorldTimeEntry
{
    char name[kWorldTimeNameSize] = {};  // CP949, NUL-terminated, no white space
    std::int32_t offsetMinutes = 0;      // standard time minus Korean time; < 0 behind
    std::int32_t dstStartRule = 0;       // 0 no summer time, -1 unconfirmed, else a start rule
    std::int32_t dstEndRule = 0;         // 0 no summer time, else an end rule
};

// Every region, row 0 "UTC" and rows 1.. the file's regions in file order;
// rows past the last loaded one are empty.
extern std::array<WorldTimeEntry, kWorldTimeRows> g_worldTimeTable;
// The row selected in the world time dialog, -1 while none is.
extern std::int32_t g_nSelectedArea;

// File name beside the program (UTF-8 on disk; the content is CP949).
inline constexpr char kWorldTimeFileName[] = "세계시간표.txt";
// What the user is told before the program ends for want of the file.
inline constexpr char kWorldTimeMissingText[] =
    "시간표 파일이 없습니다.\r\n\r\n 실행디렉토리가 아닙니다. \r\n 바로가기 아이콘을 생성하여 사용하십시요!!";

// Fills g_worldTimeTable from the file at path and, when tree is given,
// builds the region tree in it; false, with table and tree untouched, when
// the file cannot be opened or is a folder. A damaged file loads up to its
// first missing or non-numeric token, or until the table is full; a longer
// name keeps its first 79 bytes, cut between characters.
bool LoadWorldTimeTable(const std::string& path, WorldTimeTree* tree);
// Rows filled by the last load, "UTC" included; 0 before the first load.
std::int32_t WorldTimeRowCount();
// The name of row in UTF-8, empty for a row outside the table.
std::string WorldTimeName(std::int32_t row);

// True when row keeps summer time at its standard wall-clock time t (see
// SummerTimeApplies); false for a row outside the table.
bool IsSummerTime(std::int32_t row, WallTime t);
// The time row's clock shows when the PC (Korean time) shows now: now plus
// the row's offset, plus one hour in summer time; a row with offset 0 or
// outside the table shows now.
WallTime RegionTimeNow(std::int32_t row, WallTime now);
// The world time dialog's description of row at the PC's time now (UTF-8,
// lines separated by '\n'); empty for a row outside the table.
std::string BuildAreaInfo(std::int32_t row, WallTime now);
