#pragma once
// The program's options as process-wide variables, and the reads and writes
// of every value the program keeps in the settings store. The names and
// defaults of those values live in Options.cpp only.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ColorRef.h"
#include "base/Geometry.h"
#include "base/SettingsStore.h"

// Ranges the settings pages accept; LoadOptions brings hand-edited values
// into them so a timer can neither spin nor stall.
constexpr std::int32_t kAutoConDurationMin = 1;       // minutes
constexpr std::int32_t kAutoConDurationMax = 144000;  // minutes (100 days)
constexpr std::int32_t kAutoConCommDurMin = 1;        // minutes or seconds
constexpr std::int32_t kCompensateTimeMin = 10;       // ms into the second
constexpr std::int32_t kCompensateTimeMax = 990;      // ms into the second

constexpr int kComPortCount = 4;  // COM1..COM4

// ServerID: which server answered the last compare or synchronise.
constexpr std::int32_t kServerNone = 0;
constexpr std::int32_t kServerPrimary = 1;
constexpr std::int32_t kServerSecondary = 2;
constexpr std::int32_t kServerNeither = 3;

// g_nInitWin and its stored form: the window showing when the program ended.
constexpr std::int32_t kInitWinNone = 0;
constexpr std::int32_t kInitWinMain = 1;
constexpr std::int32_t kInitWinSlim = 2;

// Process-wide options, filled by LoadOptions before anything reads them.
// A value name that has the form of a variable names its variable exactly
// (g_bAutoCOMM, g_bComport[0]); the others are known by their value names as
// they are (AutoCon, Log). 24Mode starts with a digit, so its variable takes
// the boolean letter in front: b24Mode. These names collide with nothing in
// libc, std, Qt or X11 at global scope; code must not declare another global
// of the same name.
extern bool AutoCon;                   // automatic synchronisation on
extern std::int32_t AutoConDuration;   // minutes between them, 1..144000
extern bool AutoCompare;               // one compare when the main window opens
// The transmission workers read these three while the serial page writes them.
extern std::atomic<bool> g_bAutoCOMM;  // automatic serial transmission active
extern bool g_bCheckAutoCOMM;          // serial page: automatic mode chosen
extern std::int32_t g_nAutoConCommDur; // serial interval in g_bSelMorS units, >= 1
extern std::atomic<bool> g_bComport[kComPortCount]; // transmit on COM1..COM4
extern bool g_bSelMorS;                // unit of g_nAutoConCommDur: 1 minutes, 0 seconds
extern std::atomic<std::int32_t> g_nCompensateTime; // ms into the second a message leaves, 10..990
extern bool Beep;                      // the clock ticks audibly
extern bool SCR;                       // use the companion screen saver
extern ColorRef TxtColor;              // clock text
extern ColorRef BgColor;               // clock background
extern ColorRef TxtColor2;             // message field text
extern ColorRef BgColor2;              // message field background
extern bool Blink;                     // blink the result after a synchronisation
extern bool Log;                       // append each synchronisation to the log
extern bool Top;                       // windows stay above others
extern bool Small;                     // slim clock instead of the main window
extern bool b24Mode;                   // stored as 24Mode: 24-hour display
extern bool TransWin;                  // world clock windows see-through
extern bool ReWeek;                    // carried: loaded and saved unchanged
extern bool ReDay;                     // carried: loaded and saved unchanged
extern bool g_bAalramWave;             // alarm sound on
extern bool WaveEmile;                 // alarm sound: 0 built-in, 1 WaveFileName
extern std::string WaveFileName;       // the user's alarm sound file, UTF-8

// Last synchronisation: written by the synchronisation worker, read by the
// user-interface thread, hence atomic.
extern std::atomic<std::int32_t> LastCon;   // s since 1970 UTC, 0 = never
extern std::atomic<double> LastDiff;        // s, positive when the PC was behind
extern std::atomic<std::int32_t> ServerID;  // kServerNone..kServerNeither

// Window showing now, kInitWinNone..kInitWinSlim; kInitWinMain at start.
extern std::int32_t g_nInitWin;

// Reads every option from AutoCon to ServerID in table order, absent ones
// taking their defaults, then brings out-of-range numbers into range.
void LoadOptions(SettingsStore& store);
// Writes every option from AutoCon to WaveFileName, in table order except
// that g_nCompensateTime goes ahead of g_bSelMorS.
void SaveOptions(SettingsStore& store);
// Writes LastCon, LastDiff (as whole milliseconds) and ServerID, in that order.
void SaveLastSync(SettingsStore& store);

// A window's saved left and top. A pair whose default is kNoSavedPosition
// holds a position only when both values differ from it; a pair with another
// default always holds one.
struct WindowPair
{
    const char* xName;
    const char* yName;
    std::int32_t def;
};
constexpr std::int32_t kNoSavedPosition = -1000;

extern const WindowPair kMainWindowPos;    // main window
extern const WindowPair kWorldTimeDlgPos;  // world time dialog, always applied
extern const WindowPair kSlimClockPos;     // slim clock window
extern const WindowPair kScheduleDlgPos;   // schedule manager

// The saved position of pair, or nothing when none was saved.
std::optional<Point> ReadWindowPos(SettingsStore& store, const WindowPair& pair);
// Saves (x, y) as pair, x first.
void WriteWindowPos(SettingsStore& store, const WindowPair& pair, std::int32_t x, std::int32_t y);

// The device the settings store names for COMn (1..4), "" when none.
std::string ReadComDevice(SettingsStore& store, int port);

// The stored window of the last run, kInitWinMain when absent.
std::int32_t ReadInitWin(SettingsStore& store);
// Saves g_nInitWin as the window of this run.
void WriteInitWin(SettingsStore& store);

// A world clock window saved at exit, in slots 0..99 filled without gaps.
struct WorldClockSlot
{
    std::int32_t areaCode = 0;  // row of the world time table
    std::string areaName;       // UTF-8
    std::int32_t x = 0;         // left, screen pixels
    std::int32_t y = 0;         // top, screen pixels
};
constexpr int kWorldClockSlotCount = 100;
constexpr std::int32_t kFreeSlot = -2;  // area code and corner of an unused slot

// The saved world clocks from slot 0 up to the first free slot.
std::vector<WorldClockSlot> ReadWorldClockSlots(SettingsStore& store);
// Saves slot as number n (0..99): area code, name, x, y in that order.
void WriteWorldClockSlot(SettingsStore& store, int n, const WorldClockSlot& slot);
// Marks slot n (0..99) free, ending the list there.
void FreeWorldClockSlot(SettingsStore& store, int n);
// Saves slots as numbers 0, 1, ... and frees every slot after them up to 99;
// slots beyond the hundredth are dropped.
void SaveWorldClockSlots(SettingsStore& store, const std::vector<WorldClockSlot>& slots);

// The local year the schedule files were last saved in, currentYear when absent.
std::int32_t ReadScheduleSaveStamp(SettingsStore& store, std::int32_t currentYear);
// Records year (four digits, local time) as the schedule files' save year,
// and syncs the store: it goes with a save of the files.
void WriteScheduleSaveStamp(SettingsStore& store, std::int32_t year);
