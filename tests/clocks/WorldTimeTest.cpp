#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "base/Cp949.h"
#include "clocks/SummerTimeRules.h"
#include "clocks/WorldTime.h"

#include "RecordingWorldTimeTree.h"

using namespace std::chrono;

namespace {

WallTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return MakeWallTime(y, mo, d, h, mi, s);
}

struct Region
{
    std::string name;  // UTF-8
    std::int32_t offset, start, end;
};

// Loads one group holding regions (rows 1, 2, ...) and returns true when it
// loaded.
bool loadRegions(const std::vector<Region>& regions)
{
    std::string text = "그룹 " + std::to_string(regions.size()) + "\n";
    for (const Region& r : regions) {
        text += r.name + " " + std::to_string(r.offset) + " " + std::to_string(r.start) + " "
                + std::to_string(r.end) + "\n";
    }
    TempFile file(Utf8ToCp949(text));
    return LoadWorldTimeTable(file.path(), nullptr);
}

std::int32_t groupCount(const RecordingWorldTimeTree& tree)
{
    const auto root = tree.children(WorldTimeTree::kTop).at(0);
    return static_cast<std::int32_t>(tree.children(root).size()) - 1;  // less "UTC"
}

const WorldTimeEntry& row(std::int32_t r)
{
    return g_worldTimeTable[static_cast<std::size_t>(r)];
}

} // namespace

// Groups with their regions become rows 1, 2, ... across groups and a tree
// under "세계시간표"; an empty group (count 0 or less) stays a childless item;
// nothing after the eighth group is read.
TEST(WorldTimeLoad, GroupsRowsAndTree)
{
    const std::string text =
        "아시아 3\n서울 0 0 0\n똠방 570 2 1\n뉴욕 -840 14 11\n"
        "빈그룹 0\n"
        "유럽\t2\r\n런던 -540 3 4\r\n파리 -480 2 1\r\n"
        "음수 -3\n"
        "남미 1\n산티아고 -780 18 14\n"
        "G6 0 G7 0\n"
        "G8 1 Last -30 -1 0\n"
        "NotRead 1 1 1\n";
    TempFile file(Utf8ToCp949(text));
    RecordingWorldTimeTree tree;
    ASSERT_TRUE(LoadWorldTimeTable(file.path(), &tree));
    ASSERT_EQ(WorldTimeRowCount(), 8);
    expectSoundTable();
    expectWellFormedTree(tree, 8);

    struct Expected
    {
        const char* name;
        std::int32_t offset, start, end;
    };
    const Expected rows[] = {
        {"UTC", -540, 0, 0},     {"서울", 0, 0, 0},      {"똠방", 570, 2, 1},
        {"뉴욕", -840, 14, 11},  {"런던", -540, 3, 4},   {"파리", -480, 2, 1},
        {"산티아고", -780, 18, 14}, {"Last", -30, -1, 0},
    };
    for (std::int32_t r = 0; r < 8; ++r) {
        EXPECT_EQ(WorldTimeName(r), rows[r].name);
        EXPECT_EQ(row(r).offsetMinutes, rows[r].offset) << r;
        EXPECT_EQ(row(r).dstStartRule, rows[r].start) << r;
        EXPECT_EQ(row(r).dstEndRule, rows[r].end) << r;
    }
    EXPECT_EQ(std::strcmp(row(2).name, "\x8C\x63\xB9\xE6"), 0);  // kept as CP949

    const auto root = tree.children(WorldTimeTree::kTop)[0];
    const auto groups = tree.children(root);
    const std::vector<std::string> groupNames = {"UTC", "아시아", "빈그룹", "유럽", "음수",
                                                 "남미", "G6", "G7", "G8"};
    const std::vector<std::size_t> sizes = {0, 3, 0, 2, 0, 1, 0, 0, 1};
    ASSERT_EQ(groups.size(), groupNames.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(tree.node(groups[g]).text, groupNames[g]);
        EXPECT_EQ(tree.children(groups[g]).size(), sizes[g]) << groupNames[g];
    }

    // Without a tree the table comes out the same.
    const auto before = g_worldTimeTable;
    ASSERT_TRUE(LoadWorldTimeTable(file.path(), nullptr));
    EXPECT_EQ(std::memcmp(&before, &g_worldTimeTable, sizeof before), 0);
}

// A second load replaces the table; a missing file leaves table and tree as
// they were.
TEST(WorldTimeLoad, ReloadAndMissingFile)
{
    ASSERT_TRUE(loadRegions({{"a", 1, 1, 1}, {"b", 2, 2, 2}, {"c", 3, 3, 3}}));
    ASSERT_TRUE(loadRegions({{"d", 4, 4, 4}}));
    EXPECT_EQ(WorldTimeRowCount(), 2);
    EXPECT_EQ(WorldTimeName(1), "d");
    expectSoundTable();  // rows 2 and 3 of the first load are gone

    const auto before = g_worldTimeTable;
    RecordingWorldTimeTree tree;
    EXPECT_FALSE(LoadWorldTimeTable(testing::TempDir() + "no/such/세계시간표.txt", &tree));
    EXPECT_FALSE(LoadWorldTimeTable(testing::TempDir(), &tree));  // a folder
    EXPECT_EQ(std::memcmp(&before, &g_worldTimeTable, sizeof before), 0);
    EXPECT_EQ(WorldTimeRowCount(), 2);
    EXPECT_TRUE(tree.nodes().empty());
    EXPECT_TRUE(tree.expanded().empty());
}

// A damaged file loads up to its first missing or wrong token and never
// past it.
TEST(WorldTimeLoad, DamagedFilesLoadWhatTheyCan)
{
    struct Row
    {
        const char* what;
        std::string text;
        std::int32_t rows;    // "UTC" included
        std::int32_t groups;  // group items in the tree
    };
    const Row rows[] = {
        {"empty file", "", 1, 0},
        {"only white space", " \r\n\t\v\f", 1, 0},
        {"group name without count", "A", 1, 0},
        {"count not a number", "A x\nx 1 1 1", 1, 0},
        {"count beyond 32 bits", "A 4294967297\nx 1 1 1", 1, 0},
        {"fewer than eight groups", "A 1\nx 1 2 3\n", 2, 1},
        {"ends inside a record", "A 2\nx 1 2 3\ny 4 5", 2, 1},
        {"ends after a name", "A 2\nx 1 2 3\ny", 2, 1},
        {"offset not a number", "A 2\nx 1 2 3\ny abc 5 6\nB 1\nz 1 1 1", 2, 1},
        {"trailing letters", "A 2\nx 1 2 3\ny 12x 0 0", 2, 1},
        {"sign alone", "A 1\nx - 0 0", 1, 1},
        {"two signs", "A 1\nx +-5 0 0", 1, 1},
        {"offset beyond 32 bits", "A 1\nx 2147483648 0 0", 1, 1},
        {"extreme offsets", "A 2\nx -2147483648 0 0\ny +2147483647 -0 +0", 3, 1},
        {"count larger than the file", "A 2147483647\nx 1 1 1\ny 2 2 2", 3, 1},
        {"negative count", "A -5\nB 1\nx 1 1 1", 2, 2},
        {"more than eight groups", "A 0 B 0 C 0 D 0 E 0 F 0 G 0 H 1 x 1 1 1 I 1 y 1 1 1", 2, 8},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempFile file(r.text);
        RecordingWorldTimeTree tree;
        ASSERT_TRUE(LoadWorldTimeTable(file.path(), &tree));
        EXPECT_EQ(WorldTimeRowCount(), r.rows);
        EXPECT_EQ(groupCount(tree), r.groups);
        expectSoundTable();
        expectWellFormedTree(tree, r.rows);
    }
    EXPECT_EQ(row(1).offsetMinutes, 1);  // the last file's only region
    TempFile extreme("A 2\nx -2147483648 0 0\ny +2147483647 -0 +0");
    ASSERT_TRUE(LoadWorldTimeTable(extreme.path(), nullptr));
    EXPECT_EQ(row(1).offsetMinutes, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(row(2).offsetMinutes, std::numeric_limits<std::int32_t>::max());
}

// A name longer than 79 bytes keeps what fits without splitting a two-byte
// character, and the tokens after it are read as before.
TEST(WorldTimeLoad, LongNamesKeepWholeCharacters)
{
    const std::string ga = "\xB0\xA1";  // 가
    auto times = [](const std::string& s, int n) {
        std::string r;
        for (int i = 0; i < n; ++i)
            r += s;
        return r;
    };
    struct Row
    {
        std::string name;
        std::string stored;
    };
    const Row rows[] = {
        {std::string(79, 'x'), std::string(79, 'x')},
        {std::string(80, 'x'), std::string(79, 'x')},
        {std::string(200, 'x'), std::string(79, 'x')},
        {times(ga, 39) + "A", times(ga, 39) + "A"},  // 79 bytes
        {times(ga, 40), times(ga, 39)},              // 80 bytes: 78 kept
        {"A" + times(ga, 39), "A" + times(ga, 39)},  // 79 bytes
        {"A" + times(ga, 40), "A" + times(ga, 39)},  // 81 bytes
        {times(ga, 100), times(ga, 39)},
        {std::string(78, 'x') + ga, std::string(78, 'x')},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name.size());
        TempFile file(r.name + " 2\n" + r.name + " 1 2 3\nnext 4 5 6\n");
        RecordingWorldTimeTree tree;
        ASSERT_TRUE(LoadWorldTimeTable(file.path(), &tree));
        ASSERT_EQ(WorldTimeRowCount(), 3);
        EXPECT_EQ(std::string(row(1).name), r.stored);
        EXPECT_EQ(row(1).dstEndRule, 3);
        EXPECT_STREQ(row(2).name, "next");
        EXPECT_EQ(row(2).dstEndRule, 6);
        const auto root = tree.children(WorldTimeTree::kTop)[0];
        EXPECT_EQ(tree.node(tree.children(root)[1]).text, Cp949ToUtf8(r.stored));  // group
        expectWellFormedTree(tree, 3);
    }
}

// A file with more regions than the table holds fills rows up to 9999 and
// stops there.
TEST(WorldTimeLoad, MoreRegionsThanTheTableHolds)
{
    for (const bool oneGroup : {true, false}) {
        std::string text;
        const int groups = oneGroup ? 1 : 8;
        const int perGroup = oneGroup ? 12000 : 1500;
        for (int g = 0; g < groups; ++g) {
            text += "G" + std::to_string(g) + " " + std::to_string(perGroup) + "\n";
            for (int i = 0; i < perGroup; ++i)
                text += "R" + std::to_string(g * perGroup + i + 1) + " 60 16 13\n";
        }
        TempFile file(text);
        RecordingWorldTimeTree tree;
        ASSERT_TRUE(LoadWorldTimeTable(file.path(), &tree));
        EXPECT_EQ(WorldTimeRowCount(), kWorldTimeRows);
        EXPECT_EQ(WorldTimeName(kWorldTimeRows - 1), "R9999");
        EXPECT_EQ(groupCount(tree), oneGroup ? 1 : 7);  // 7 × 1500 passes 9999
        expectSoundTable();
        expectWellFormedTree(tree, kWorldTimeRows);
    }
}

// The description paragraph, word for word, for each kind of row.
TEST(WorldTimeInfo, DescriptionTexts)
{
    ASSERT_TRUE(loadRegions({
        {"half_behind", -30, 0, 0},  // row 1
        {"ahead", 570, 0, 0},        // 2
        {"same", 0, 0, 0},           // 3
        {"paris", -480, 2, 1},       // 4
        {"unconfirmed", -480, -1, 1},  // 5
        {"korea_dst", 0, 2, 1},      // 6
        {"min", std::numeric_limits<std::int32_t>::min(), 0, 0},  // 7
        {"max", std::numeric_limits<std::int32_t>::max(), 0, 0},  // 8
        {"bad_rules", 60, 99, 99},   // 9
    }));
    const WallTime july = at(2026, 7, 1, 12);
    const WallTime january = at(2026, 1, 15, 12);
    const std::string none = "이 지역은 써머타임을 적용하지 않습니다.";
    const std::string notNow = "써머타임을 적용하는 지역이지만 현재 써머타임 적용기간이 아닙니다.";
    const std::string now = "현재시각은 써머타임이 적용된 시각입니다.\n";
    const std::string rules21 = "현지시간 기준 3월 마지막 일요일 오전 2시부터 "
                                "10월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다.";
    struct Row
    {
        std::int32_t row;
        WallTime now;
        std::string text;
    };
    const Row rows[] = {
        {0, july, "선택하신 지역은 한국보다 9시 0분이 늦은 지역입니다.\n" + none},
        {1, july, "선택하신 지역은 한국보다 0시 30분이 늦은 지역입니다.\n" + none},
        {2, july, "선택하신 지역은 한국보다 9시 30분이 빠른 지역입니다.\n" + none},
        {3, july, "선택하신 지역은 한국과 같은 시간대 지역 입니다\n" + none},
        {4, july, "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다." + now + rules21},
        {4, january, "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.\n" + notNow},
        {5, july, "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.\n"
                  "이 지역은 아직 써머타임 적용여부가 확인 되지 않았습니다."},
        {6, july, "선택하신 지역은 한국과 같은 시간대 지역 입니다" + now + rules21},
        {7, july, "선택하신 지역은 한국보다 35791394시 8분이 늦은 지역입니다.\n" + none},
        {8, july, "선택하신 지역은 한국보다 35791394시 7분이 빠른 지역입니다.\n" + none},
        {9, july, "선택하신 지역은 한국보다 1시 0분이 빠른 지역입니다.\n" + notNow},
        // Paris's summer starts at 02:00 standard time, 10:00 in Korea.
        {4, at(2026, 3, 29, 9, 59, 59), "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.\n" + notNow},
        {4, at(2026, 3, 29, 10), "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다." + now + rules21},
        {-1, july, ""},
        {kWorldTimeRows, july, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BuildAreaInfo(r.row, r.now), r.text) << "row " << r.row;
}

// The region's clock: offset, plus an hour in summer time decided on its
// standard time; never an hour for offset 0 or an unconfirmed rule.
TEST(WorldTimeInfo, RegionTimeNow)
{
    ASSERT_TRUE(loadRegions({
        {"paris", -480, 2, 1},       // 1
        {"new_york", -840, 14, 11},  // 2
        {"sydney", 60, 16, 13},      // 3
        {"unconfirmed", -480, -1, 1},  // 4
        {"korea_dst", 0, 2, 1},      // 5
        {"india", -210, 0, 0},       // 6
    }));
    struct Row
    {
        std::int32_t row;
        WallTime korea;
        WallTime shown;
    };
    const Row rows[] = {
        {0, at(2026, 7, 1, 12), at(2026, 7, 1, 3)},
        {1, at(2026, 7, 1, 12), at(2026, 7, 1, 5)},
        {1, at(2026, 1, 15, 12), at(2026, 1, 15, 4)},
        {2, at(2026, 3, 8, 15, 59, 59), at(2026, 3, 8, 1, 59, 59)},  // just before 02:00 EST
        {2, at(2026, 3, 8, 16), at(2026, 3, 8, 3)},                   // 02:00 EST is 03:00 EDT
        {2, at(2026, 11, 1, 14, 59, 59), at(2026, 11, 1, 1, 59, 59)}, // 01:59:59 EDT
        {2, at(2026, 11, 1, 15, 0, 1), at(2026, 11, 1, 1, 0, 1)},     // 01:00:01 EST
        {3, at(2026, 1, 15, 12), at(2026, 1, 15, 14)},
        {3, at(2026, 7, 1, 12), at(2026, 7, 1, 13)},
        {4, at(2026, 7, 1, 12), at(2026, 7, 1, 4)},
        {5, at(2026, 7, 1, 12), at(2026, 7, 1, 12)},
        {6, at(2026, 12, 31, 23, 0), at(2026, 12, 31, 19, 30)},
        {6, at(2027, 1, 1, 2, 0), at(2026, 12, 31, 22, 30)},  // back over the year
        {7, at(2026, 7, 1, 12), at(2026, 7, 1, 12)},          // an empty row
        {-1, at(2026, 7, 1, 12), at(2026, 7, 1, 12)},
        {kWorldTimeRows, at(2026, 7, 1, 12), at(2026, 7, 1, 12)},
    };
    for (const Row& r : rows)
        EXPECT_EQ(RegionTimeNow(r.row, r.korea), r.shown) << "row " << r.row;
}

// The shipped file: eight groups of well-known places, names that convert
// cleanly and fit, rule numbers from the tables, nothing unconfirmed.
TEST(WorldTimeShipped, TableIsComplete)
{
    RecordingWorldTimeTree tree;
    ASSERT_TRUE(LoadWorldTimeTable(shippedTablePath(), &tree)) << shippedTablePath();
    expectSoundTable();
    expectWellFormedTree(tree, WorldTimeRowCount());
    EXPECT_EQ(groupCount(tree), kWorldTimeGroups);
    const std::int32_t regions = WorldTimeRowCount() - 1;
    EXPECT_GE(regions, 120);
    EXPECT_LE(regions, 200);

    const auto root = tree.children(WorldTimeTree::kTop)[0];
    for (auto group : tree.children(root))
        EXPECT_TRUE(tree.node(group).text == "UTC" || !tree.children(group).empty());

    std::set<std::string> names;
    for (std::int32_t r = 1; r <= regions; ++r) {
        const std::string name = WorldTimeName(r);
        EXPECT_EQ(name.find("\xEF\xBF\xBD"), std::string::npos) << name;
        EXPECT_EQ(Utf8ToCp949(name), row(r).name) << name;
        EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
        const WorldTimeEntry& e = row(r);
        EXPECT_EQ(e.dstStartRule == 0, e.dstEndRule == 0) << name;
        if (e.dstStartRule != 0) {
            EXPECT_TRUE(DstStartInstant(e.dstStartRule, 2026)) << name;
            EXPECT_TRUE(DstEndInstant(e.dstEndRule, 2026)) << name;
        }
        EXPECT_GE(e.offsetMinutes, -21 * 60) << name;  // UTC-12
        EXPECT_LE(e.offsetMinutes, 5 * 60) << name;    // UTC+14
    }
}
