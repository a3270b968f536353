#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/Options.h"
#include "base/SettingsStore.h"

namespace {

using Value = MemorySettingsStore::Value;

// Every row settings save writes, in its order, with the value a first run
// writes back and another valid value for the same row.
struct SavedRow
{
    const char* name;
    Value def;
    Value other;
};
const std::vector<SavedRow> kSettingsSaveRows = {
    {"AutoCon", 1, 0},
    {"AutoConDuration", 60, 144000},
    {"AutoCompare", 1, 0},
    {"g_bAutoCOMM", 0, 1},
    {"g_bCheckAutoCOMM", 0, 1},
    {"g_nAutoConCommDur", 10, 3},
    {"g_bComport[0]", 0, 1},
    {"g_bComport[1]", 0, 1},
    {"g_bComport[2]", 0, 1},
    {"g_bComport[3]", 0, 1},
    {"g_nCompensateTime", 500, 990},  // ahead of g_bSelMorS on save
    {"g_bSelMorS", 1, 0},
    {"Beep", 0, 1},
    {"SCR", 0, 1},
    {"TxtColor", 65280, 0x123456},
    {"BgColor", 0, 0x00FFFFFF},
    {"TxtColor2", 65535, 0x0000FF},
    {"BgColor2", 8421504, 0x00C0C0C0},
    {"Blink", 1, 0},
    {"Log", 0, 1},
    {"Top", 1, 0},
    {"Small", 0, 1},
    {"24Mode", 0, 1},
    {"TransWin", 0, 1},
    {"ReWeek", 0, 1},
    {"ReDay", 0, 1},
    {"g_bAalramWave", 0, 1},
    {"WaveEmile", 1, 0},
    {"WaveFileName", std::string(), std::string("/usr/share/sounds/알람.wav")},
};

std::vector<std::string> savedNames()
{
    std::vector<std::string> names;
    for (const SavedRow& row : kSettingsSaveRows)
        names.push_back(row.name);
    return names;
}

// Puts every option off its default, so a test that loads defaults sees them
// come from the load and not from an earlier test.
void loadNonDefaults()
{
    MemorySettingsStore store;
    for (const SavedRow& row : kSettingsSaveRows)
        store.values()[row.name] = row.other;
    store.values()["LastCon"] = 1046822703;
    store.values()["LastDiff"] = 250;
    store.values()["ServerID"] = 2;
    LoadOptions(store);
}

MemorySettingsStore savedOptions()
{
    MemorySettingsStore store;
    SaveOptions(store);
    return store;
}

}  // namespace

TEST(Options, FirstRunShowsTheDefaults)
{
    loadNonDefaults();
    MemorySettingsStore empty;
    LoadOptions(empty);

    // Synchronise every 60 minutes, one compare at start, windows on top.
    EXPECT_TRUE(AutoCon);
    EXPECT_EQ(AutoConDuration, 60);
    EXPECT_TRUE(AutoCompare);
    EXPECT_TRUE(Top);
    // Green digits on black, yellow message text on grey.
    EXPECT_EQ(TxtColor, 0x00FF00u);
    EXPECT_EQ(BgColor, 0x000000u);
    EXPECT_EQ(TxtColor2, 0x00FFFFu);
    EXPECT_EQ(BgColor2, 0x808080u);
    // Never synchronised.
    EXPECT_EQ(LastCon, 0);
    EXPECT_EQ(LastDiff, 0.0);
    EXPECT_EQ(ServerID, kServerNone);
    // No saved window: the main window is centred, the main window shown.
    EXPECT_FALSE(ReadWindowPos(empty, kMainWindowPos));
    EXPECT_EQ(ReadInitWin(empty), kInitWinMain);
    EXPECT_TRUE(empty.writeLog().empty());  // loading writes nothing
}

TEST(Options, SettingsSaveWritesEveryRowInItsOrder)
{
    MemorySettingsStore empty;
    LoadOptions(empty);
    const MemorySettingsStore saved = savedOptions();

    // Table order, except g_nCompensateTime ahead of g_bSelMorS.
    EXPECT_EQ(saved.writeLog(), savedNames());
    for (const SavedRow& row : kSettingsSaveRows)
        EXPECT_EQ(saved.values().at(row.name), row.def) << row.name;
}

TEST(Options, EachStoredValueReachesItsOwnVariable)
{
    // One row at a time off its default: after load and save, that row and
    // no other differs, so no two rows share or swap a variable.
    for (const SavedRow& changed : kSettingsSaveRows) {
        MemorySettingsStore store;
        store.values()[changed.name] = changed.other;
        LoadOptions(store);
        const MemorySettingsStore saved = savedOptions();
        for (const SavedRow& row : kSettingsSaveRows) {
            const Value& expected = row.name == changed.name ? row.other : row.def;
            EXPECT_EQ(saved.values().at(row.name), expected)
                << row.name << " after changing " << changed.name;
        }
    }
}

TEST(Options, ValueNamesThatAreNotIdentifiersFindTheirVariables)
{
    // 24Mode lives in b24Mode; the port array keeps its index.
    MemorySettingsStore store;
    store.values() = {{"24Mode", 1}, {"g_bComport[2]", 1}, {"TxtColor2", 0x0000FF}};
    LoadOptions(store);
    EXPECT_TRUE(b24Mode);
    EXPECT_FALSE(g_bComport[0]);
    EXPECT_FALSE(g_bComport[1]);
    EXPECT_TRUE(g_bComport[2]);
    EXPECT_FALSE(g_bComport[3]);
    EXPECT_EQ(TxtColor2, 0x0000FFu);
    EXPECT_EQ(TxtColor, 0x00FF00u);
}

TEST(Options, BooleansLoadAnyNonZeroAsOneAndSaveOneOrZero)
{
    struct Row { std::int32_t stored; bool loaded; std::int32_t saved; };
    const Row rows[] = {
        {7, true, 1}, {-1, true, 1},
        {std::numeric_limits<std::int32_t>::min(), true, 1},
        {1, true, 1}, {0, false, 0},
    };
    for (const Row& r : rows) {
        MemorySettingsStore store;
        store.values() = {{"Log", r.stored}, {"AutoCon", r.stored}};
        LoadOptions(store);
        EXPECT_EQ(Log, r.loaded) << r.stored;
        EXPECT_EQ(AutoCon, r.loaded) << r.stored;
        const MemorySettingsStore saved = savedOptions();
        EXPECT_EQ(saved.values().at("Log"), Value(r.saved)) << r.stored;
        EXPECT_EQ(saved.values().at("AutoCon"), Value(r.saved)) << r.stored;
    }
}

TEST(Options, CarriedValuesSurviveLoadAndSave)
{
    // Set by hand; nothing acts on them, and settings save keeps them.
    for (const std::int32_t v : {0, 1}) {
        MemorySettingsStore store;
        store.values() = {{"ReWeek", v}, {"ReDay", 1 - v}};
        LoadOptions(store);
        SaveOptions(store);
        EXPECT_EQ(store.values().at("ReWeek"), Value(v));
        EXPECT_EQ(store.values().at("ReDay"), Value(1 - v));
    }
}

TEST(Options, LoadBringsHandEditedNumbersIntoRange)
{
    using Read = std::int32_t (*)();
    const Read duration = [] { return AutoConDuration; };
    const Read commDur = [] { return g_nAutoConCommDur; };
    const Read compensate = [] { return g_nCompensateTime.load(); };
    const Read server = [] { return ServerID.load(); };
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Row { const char* name; Read read; std::int32_t stored; std::int32_t loaded; };
    const Row rows[] = {
        {"AutoConDuration", duration, 0, 1},
        {"AutoConDuration", duration, -5, 1},
        {"AutoConDuration", duration, 999999, 144000},
        {"AutoConDuration", duration, 1, 1},
        {"AutoConDuration", duration, 144000, 144000},
        {"g_nAutoConCommDur", commDur, 0, 1},
        {"g_nAutoConCommDur", commDur, -1, 1},
        {"g_nAutoConCommDur", commDur, kMin, 1},
        {"g_nAutoConCommDur", commDur, 5000, 5000},  // no upper bound
        {"g_nCompensateTime", compensate, 0, 10},
        {"g_nCompensateTime", compensate, 9, 10},
        {"g_nCompensateTime", compensate, 10, 10},
        {"g_nCompensateTime", compensate, 990, 990},
        {"g_nCompensateTime", compensate, 5000, 990},
        {"ServerID", server, 7, kServerNeither},  // still "no server reached"
        {"ServerID", server, -1, kServerNeither},
        {"ServerID", server, 2, kServerSecondary},
    };
    for (const Row& r : rows) {
        MemorySettingsStore store;
        store.values()[r.name] = r.stored;
        LoadOptions(store);
        EXPECT_EQ(r.read(), r.loaded) << r.name << " stored as " << r.stored;
    }
}

TEST(LastSync, SavesInOrderAndOffsetAsWholeMilliseconds)
{
    LastCon = 1046822703;  // 2003-03-05 00:05:03 UTC
    LastDiff = 0.25;
    ServerID = kServerSecondary;
    MemorySettingsStore store;
    SaveLastSync(store);
    EXPECT_EQ(store.writeLog(), (std::vector<std::string>{"LastCon", "LastDiff", "ServerID"}));
    EXPECT_EQ(store.values().at("LastCon"), Value(1046822703));
    EXPECT_EQ(store.values().at("LastDiff"), Value(250));
    EXPECT_EQ(store.values().at("ServerID"), Value(kServerSecondary));

    // Settings save leaves the last synchronisation alone.
    EXPECT_EQ(savedOptions().values().count("LastCon"), 0u);
}

TEST(LastSync, OffsetTruncatesTowardZeroAndLoadsAsThousandths)
{
    struct Row { double seconds; std::int32_t stored; double loaded; };
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const Row rows[] = {
        {-0.0125, -12, -0.012},
        {0.0125, 12, 0.012},
        {-0.9999, -999, -0.999},
        {0.9999, 999, 0.999},
        {-0.0004, 0, 0.0},
        {0.0004, 0, 0.0},
        {1.5, 1500, 1.5},
        {-3600.25, -3600250, -3600.25},
        // A wild offset saturates instead of wrapping; NaN stores 0.
        {1e12, kMax, kMax * 0.001},
        {-1e12, kMin, kMin * 0.001},
        {std::nan(""), 0, 0.0},
    };
    for (const Row& r : rows) {
        LastDiff = r.seconds;
        MemorySettingsStore store;
        SaveLastSync(store);
        EXPECT_EQ(store.values().at("LastDiff"), Value(r.stored)) << r.seconds;
        LoadOptions(store);
        EXPECT_DOUBLE_EQ(LastDiff, r.loaded) << r.seconds;
    }
}

TEST(WindowPos, SentinelPairsNeedBothValues)
{
    // Main window, slim clock and schedule manager: -1000 means "none saved".
    for (const WindowPair* pair : {&kMainWindowPos, &kSlimClockPos, &kScheduleDlgPos}) {
        MemorySettingsStore store;
        EXPECT_FALSE(ReadWindowPos(store, *pair)) << pair->xName;
        store.values()[pair->xName] = 120;  // X present, Y absent
        EXPECT_FALSE(ReadWindowPos(store, *pair)) << pair->xName;
        store.values()[pair->yName] = -1000;
        EXPECT_FALSE(ReadWindowPos(store, *pair)) << pair->xName;
        store.values()[pair->yName] = -40;  // above the primary screen
        EXPECT_EQ(ReadWindowPos(store, *pair), (Point{120, -40})) << pair->xName;
        store.values()[pair->xName] = -1000;
        EXPECT_FALSE(ReadWindowPos(store, *pair)) << pair->xName;
    }
}

TEST(WindowPos, WorldTimeDialogIsAlwaysPlaced)
{
    MemorySettingsStore store;
    EXPECT_EQ(ReadWindowPos(store, kWorldTimeDlgPos), (Point{0, 0}));
    store.values()["WorldTime_X"] = -1000;
    EXPECT_EQ(ReadWindowPos(store, kWorldTimeDlgPos), (Point{-1000, 0}));
}

TEST(WindowPos, WritesXThenYUnderThePairNames)
{
    const struct { const WindowPair* pair; const char* x; const char* y; } rows[] = {
        {&kMainWindowPos, "Vesk_X", "Vesk_Y"},
        {&kWorldTimeDlgPos, "WorldTime_X", "WorldTime_Y"},
        {&kSlimClockPos, "KORSLIM_X", "KORSLIM_Y"},
        {&kScheduleDlgPos, "Vesk_SCHEDLE_DLG_X", "Vesk_SCHEDLE_DLG_Y"},
    };
    for (const auto& row : rows) {
        MemorySettingsStore store;
        WriteWindowPos(store, *row.pair, -1200, 300);
        EXPECT_EQ(store.writeLog(), (std::vector<std::string>{row.x, row.y}));
        EXPECT_EQ(ReadWindowPos(store, *row.pair), (Point{-1200, 300})) << row.x;
    }
}

TEST(InitWin, SavesTheWindowShowingNow)
{
    MemorySettingsStore store;
    g_nInitWin = kInitWinNone;  // everything hidden at exit
    WriteInitWin(store);
    EXPECT_EQ(store.values().at("INITWIN"), Value(kInitWinNone));
    EXPECT_EQ(ReadInitWin(store), kInitWinNone);
}

TEST(WorldClockSlots, ListEndsAtTheFirstFreeSlot)
{
    MemorySettingsStore store;
    EXPECT_TRUE(ReadWorldClockSlots(store).empty());

    // Slots 0, 1 and 3 saved, slot 2 free: only 0 and 1 come back.
    WriteWorldClockSlot(store, 0, {12, "서울", 10, 20});
    WriteWorldClockSlot(store, 1, {0, "UTC", -1270, 5});
    FreeWorldClockSlot(store, 2);
    WriteWorldClockSlot(store, 3, {40, "Paris", 300, 400});
    const auto slots = ReadWorldClockSlots(store);
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[0].areaCode, 12);
    EXPECT_EQ(slots[0].areaName, "서울");
    EXPECT_EQ((Point{slots[0].x, slots[0].y}), (Point{10, 20}));
    EXPECT_EQ(slots[1].areaCode, 0);  // row 0 (UTC) is a real area
    EXPECT_EQ((Point{slots[1].x, slots[1].y}), (Point{-1270, 5}));

    // Freeing slot 0 hides everything after it.
    FreeWorldClockSlot(store, 0);
    EXPECT_TRUE(ReadWorldClockSlots(store).empty());
}

TEST(WorldClockSlots, NamesAndFreeMarkers)
{
    MemorySettingsStore store;
    WriteWorldClockSlot(store, 12, {7, "Tokyo", 1, 2});
    EXPECT_EQ(store.writeLog(), (std::vector<std::string>{
        "WORLDDLG12_AREACODE", "WORLDDLG12_AREANAME", "WORLDDLG12_nX", "WORLDDLG12_nY"}));

    FreeWorldClockSlot(store, 12);
    EXPECT_EQ(store.values().at("WORLDDLG12_AREACODE"), Value(-2));
    EXPECT_EQ(store.values().at("WORLDDLG12_AREANAME"), Value(std::string()));
    EXPECT_EQ(store.values().at("WORLDDLG12_nX"), Value(-2));
    EXPECT_EQ(store.values().at("WORLDDLG12_nY"), Value(-2));

    // Only the area code is required; the rest take their defaults.
    MemorySettingsStore sparse;
    sparse.values()["WORLDDLG0_AREACODE"] = 5;
    const auto slots = ReadWorldClockSlots(sparse);
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(slots[0].areaName, "");
    EXPECT_EQ((Point{slots[0].x, slots[0].y}), (Point{-2, -2}));
}

TEST(WorldClockSlots, SavingTwoOfThreeFreesTheRest)
{
    MemorySettingsStore store;
    SaveWorldClockSlots(store, {{1, "A", 0, 0}, {2, "B", 0, 0}, {3, "C", 0, 0}});
    SaveWorldClockSlots(store, {{1, "A", 0, 0}, {3, "C", 50, 60}});
    const auto slots = ReadWorldClockSlots(store);
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[1].areaName, "C");
    EXPECT_EQ(store.values().at("WORLDDLG2_AREACODE"), Value(-2));
    EXPECT_EQ(store.values().at("WORLDDLG99_nY"), Value(-2));
    EXPECT_EQ(store.values().count("WORLDDLG100_AREACODE"), 0u);
}

TEST(WorldClockSlots, HundredSlotsAtMost)
{
    std::vector<WorldClockSlot> many(150, WorldClockSlot{3, "x", 0, 0});
    MemorySettingsStore store;
    SaveWorldClockSlots(store, many);
    EXPECT_EQ(store.writeLog().size(), 400u);
    EXPECT_EQ(ReadWorldClockSlots(store).size(), 100u);
}

TEST(ScheduleSaveStamp, AbsentReadsAsTheCurrentYear)
{
    MemorySettingsStore store;
    EXPECT_EQ(ReadScheduleSaveStamp(store, 2003), 2003);
    WriteScheduleSaveStamp(store, 2002);
    EXPECT_EQ(store.writeLog(), std::vector<std::string>{"SCH_SAVE_STAMP"});
    EXPECT_EQ(ReadScheduleSaveStamp(store, 2003), 2002);
}
