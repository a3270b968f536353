#include "base/Options.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <span>
#include <type_traits>
#include <variant>

bool AutoCon;
std::int32_t AutoConDuration;
bool AutoCompare;
std::atomic<bool> g_bAutoCOMM;
bool g_bCheckAutoCOMM;
std::int32_t g_nAutoConCommDur;
std::atomic<bool> g_bComport[kComPortCount];
bool g_bSelMorS;
std::atomic<std::int32_t> g_nCompensateTime;
bool Beep;
bool SCR;
ColorRef TxtColor;
ColorRef BgColor;
ColorRef TxtColor2;
ColorRef BgColor2;
bool Blink;
bool Log;
bool Top;
bool Small;
bool b24Mode;
bool TransWin;
bool ReWeek;
bool ReDay;
bool g_bAalramWave;
bool WaveEmile;
std::string WaveFileName;
std::atomic<std::int32_t> LastCon;
std::atomic<double> LastDiff;
std::atomic<std::int32_t> ServerID;

std::int32_t g_nInitWin = kInitWinMain;

namespace {

// The variable a row loads into; its type decides the stored form. The one
// std::atomic<double> is LastDiff, stored as whole milliseconds.
using Target = std::variant<bool*, std::int32_t*, ColorRef*, std::string*, std::atomic<bool>*,
                            std::atomic<std::int32_t>*, std::atomic<double>*>;

struct OptionRow
{
    const char* name;
    Target target;
    std::int32_t def = 0;        // integer rows
    const char* defText = "";    // string rows
};

// Every option, in the order load reads them. Settings save writes the rows up
// to WaveFileName; the last-synchronisation save writes the final three.
const OptionRow kOptionRows[] = {
    {"AutoCon",           &AutoCon,           1},
    {"AutoConDuration",   &AutoConDuration,   60},       // minutes
    {"AutoCompare",       &AutoCompare,       1},
    {"g_bAutoCOMM",       &g_bAutoCOMM,       0},
    {"g_bCheckAutoCOMM",  &g_bCheckAutoCOMM,  0},
    {"g_nAutoConCommDur", &g_nAutoConCommDur, 10},
    {"g_bComport[0]",     &g_bComport[0],     0},        // COM1
    {"g_bComport[1]",     &g_bComport[1],     0},
    {"g_bComport[2]",     &g_bComport[2],     0},
    {"g_bComport[3]",     &g_bComport[3],     0},        // COM4
    {"g_bSelMorS",        &g_bSelMorS,        1},        // minutes
    {"g_nCompensateTime", &g_nCompensateTime, 500},      // ms
    {"Beep",              &Beep,              0},
    {"SCR",               &SCR,               0},
    {"TxtColor",          &TxtColor,          0x00FF00}, // green
    {"BgColor",           &BgColor,           0x000000}, // black
    {"TxtColor2",         &TxtColor2,         0x00FFFF}, // yellow
    {"BgColor2",          &BgColor2,          0x808080}, // grey
    {"Blink",             &Blink,             1},
    {"Log",               &Log,               0},
    {"Top",               &Top,               1},
    {"Small",             &Small,             0},
    {"24Mode",            &b24Mode,           0},
    {"TransWin",          &TransWin,          0},
    {"ReWeek",            &ReWeek,            0},
    {"ReDay",             &ReDay,             0},
    {"g_bAalramWave",     &g_bAalramWave,     0},
    {"WaveEmile",         &WaveEmile,         1},
    {"WaveFileName",      &WaveFileName,      0, ""},
    {"LastCon",           &LastCon,           0},        // s since 1970 UTC
    {"LastDiff",          &LastDiff,          0},        // ms
    {"ServerID",          &ServerID,          0},
};
constexpr std::size_t kLastSyncRows = 3;  // LastCon, LastDiff, ServerID

// The values outside the options, each read and written at its own moment.
// In the WORLDDLG names %d is the slot number, 0..99 without leading zeros.
struct IntValue
{
    const char* name;
    std::int32_t def;
};
constexpr IntValue kInitWin          = {"INITWIN",             kInitWinMain};
constexpr const char* kScheduleStamp =  "SCH_SAVE_STAMP";      // default: the current year
constexpr IntValue kSlotAreaCode     = {"WORLDDLG%d_AREACODE", kFreeSlot};
constexpr const char* kSlotAreaName  =  "WORLDDLG%d_AREANAME"; // default ""
constexpr IntValue kSlotX            = {"WORLDDLG%d_nX",       kFreeSlot};
constexpr IntValue kSlotY            = {"WORLDDLG%d_nY",       kFreeSlot};
constexpr const char* kComDevice     =  "COM%d_Device";        // %d 1..4; default "": /dev/ttyS(n-1)

}  // namespace

const WindowPair kMainWindowPos   = {"Vesk_X",             "Vesk_Y",             kNoSavedPosition};
const WindowPair kWorldTimeDlgPos = {"WorldTime_X",        "WorldTime_Y",        0};
const WindowPair kSlimClockPos    = {"KORSLIM_X",          "KORSLIM_Y",          kNoSavedPosition};
const WindowPair kScheduleDlgPos  = {"Vesk_SCHEDLE_DLG_X", "Vesk_SCHEDLE_DLG_Y", kNoSavedPosition};

namespace {

std::string slotName(const char* pattern, int n)
{
    std::string name = pattern;
    name.replace(name.find("%d"), 2, std::to_string(n));
    return name;
}

// Truncated toward zero; NaN gives 0 and values past the 32-bit range
// saturate, so a wild offset cannot make the conversion undefined.
std::int32_t millisFromSeconds(double seconds)
{
    const double ms = std::trunc(seconds * 1000.0);
    if (std::isnan(ms))
        return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(ms, lo, hi));
}

void loadRow(SettingsStore& store, const OptionRow& row)
{
    const auto readInt = [&] { return store.GetInt(row.name, row.def); };
    std::visit(
        [&](auto* target) {
            using T = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, std::atomic<bool>>)
                *target = readInt() != 0;
            else if constexpr (std::is_same_v<T, std::string>)
                *target = store.GetString(row.name, row.defText);
            else if constexpr (std::is_same_v<T, std::atomic<double>>)
                *target = readInt() * 0.001;
            else if constexpr (std::is_same_v<T, ColorRef>)
                *target = static_cast<ColorRef>(readInt());  // bits kept as is
            else
                *target = readInt();
        },
        row.target);
}

void saveRow(SettingsStore& store, const OptionRow& row)
{
    std::visit(
        [&](auto* target) {
            using T = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, std::atomic<bool>>)
                store.WriteInt(row.name, *target ? 1 : 0);
            else if constexpr (std::is_same_v<T, std::string>)
                store.WriteString(row.name, *target);
            else if constexpr (std::is_same_v<T, std::atomic<double>>)
                store.WriteInt(row.name, millisFromSeconds(*target));
            else
                store.WriteInt(row.name, static_cast<std::int32_t>(*target));
        },
        row.target);
}

// Settings save has always written g_nCompensateTime ahead of g_bSelMorS;
// every other row goes in table order.
std::vector<const OptionRow*> settingsSaveOrder()
{
    const std::span<const OptionRow> rows(kOptionRows, std::size(kOptionRows) - kLastSyncRows);
    std::vector<const OptionRow*> order;
    for (const OptionRow& row : rows)
        order.push_back(&row);
    const auto find = [&](Target target) {
        return std::find_if(order.begin(), order.end(),
                            [&](const OptionRow* row) { return row->target == target; });
    };
    const auto unit = find(&g_bSelMorS);
    const auto compensate = find(&g_nCompensateTime);
    assert(unit != order.end() && compensate != order.end());
    std::iter_swap(unit, compensate);
    return order;
}

}  // namespace

void LoadOptions(SettingsStore& store)
{
    for (const OptionRow& row : kOptionRows)
        loadRow(store, row);

    AutoConDuration = std::clamp(AutoConDuration, kAutoConDurationMin, kAutoConDurationMax);
    g_nAutoConCommDur = std::max(g_nAutoConCommDur, kAutoConCommDurMin);
    // A point outside every second would keep a transmission waiting forever.
    g_nCompensateTime = std::clamp(g_nCompensateTime.load(), kCompensateTimeMin, kCompensateTimeMax);
    // Any other value already reads as "no server could be reached" on the
    // information page; kServerNeither keeps that text and the known range.
    if (const std::int32_t id = ServerID; id < kServerNone || id > kServerNeither)
        ServerID = kServerNeither;
}

void SaveOptions(SettingsStore& store)
{
    static const std::vector<const OptionRow*> order = settingsSaveOrder();
    for (const OptionRow* row : order)
        saveRow(store, *row);
}

void SaveLastSync(SettingsStore& store)
{
    for (const OptionRow& row : std::span(kOptionRows).last(kLastSyncRows))
        saveRow(store, row);
}

std::optional<Point> ReadWindowPos(SettingsStore& store, const WindowPair& pair)
{
    const Point p{store.GetInt(pair.xName, pair.def), store.GetInt(pair.yName, pair.def)};
    if (pair.def == kNoSavedPosition && (p.x == kNoSavedPosition || p.y == kNoSavedPosition))
        return std::nullopt;
    return p;
}

void WriteWindowPos(SettingsStore& store, const WindowPair& pair, std::int32_t x, std::int32_t y)
{
    store.WriteInt(pair.xName, x);
    store.WriteInt(pair.yName, y);
}

std::string ReadComDevice(SettingsStore& store, int port)
{
    return store.GetString(slotName(kComDevice, port), "");
}

std::int32_t ReadInitWin(SettingsStore& store)
{
    return store.GetInt(kInitWin.name, kInitWin.def);
}

void WriteInitWin(SettingsStore& store)
{
    store.WriteInt(kInitWin.name, g_nInitWin);
}

std::vector<WorldClockSlot> ReadWorldClockSlots(SettingsStore& store)
{
    std::vector<WorldClockSlot> slots;
    for (int n = 0; n < kWorldClockSlotCount; ++n) {
        WorldClockSlot slot;
        slot.areaCode = store.GetInt(slotName(kSlotAreaCode.name, n), kSlotAreaCode.def);
        if (slot.areaCode == kFreeSlot)
            break;
        slot.areaName = store.GetString(slotName(kSlotAreaName, n), "");
        slot.x = store.GetInt(slotName(kSlotX.name, n), kSlotX.def);
        slot.y = store.GetInt(slotName(kSlotY.name, n), kSlotY.def);
        slots.push_back(std::move(slot));
    }
    return slots;
}

void WriteWorldClockSlot(SettingsStore& store, int n, const WorldClockSlot& slot)
{
    assert(n >= 0 && n < kWorldClockSlotCount);
    store.WriteInt(slotName(kSlotAreaCode.name, n), slot.areaCode);
    store.WriteString(slotName(kSlotAreaName, n), slot.areaName);
    store.WriteInt(slotName(kSlotX.name, n), slot.x);
    store.WriteInt(slotName(kSlotY.name, n), slot.y);
}

void FreeWorldClockSlot(SettingsStore& store, int n)
{
    WriteWorldClockSlot(store, n, WorldClockSlot{kFreeSlot, "", kFreeSlot, kFreeSlot});
}

void SaveWorldClockSlots(SettingsStore& store, const std::vector<WorldClockSlot>& slots)
{
    int n = 0;
    for (; n < kWorldClockSlotCount && n < static_cast<int>(slots.size()); ++n)
        WriteWorldClockSlot(store, n, slots[n]);
    for (; n < kWorldClockSlotCount; ++n)
        FreeWorldClockSlot(store, n);
}

std::int32_t ReadScheduleSaveStamp(SettingsStore& store, std::int32_t currentYear)
{
    return store.GetInt(kScheduleStamp, currentYear);
}

void WriteScheduleSaveStamp(SettingsStore& store, std::int32_t year)
{
    store.WriteInt(kScheduleStamp, year);
    store.Sync();
}
