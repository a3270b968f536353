// The loader and the time functions under damaged and random input: whatever
// the file holds, the table and its name buffers are never overrun, the tree
// keeps its shape, and a cut file loads a prefix of the whole one.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/Cp949.h"
#include "clocks/WorldTime.h"

#include "RecordingWorldTimeTree.h"

using namespace std::chrono;

namespace {

constexpr unsigned kSeed = 20260101;  // fixed, so a failure repeats

// ThreadSanitizer finds nothing in these single-threaded tests but slows
// every table check tenfold; under it the random runs are shorter.
#ifdef __SANITIZE_THREAD__
constexpr bool kUnderThreadSanitizer = true;
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

// A valid table file with everything the format allows: Korean, extension
// and ASCII names, names of exactly 79 bytes, empty and negative groups,
// signs, and mixed white space.
struct BaseFile
{
    std::string bytes;  // CP949
    std::vector<std::string> tokens;
    std::vector<std::size_t> lastTokenStart;  // per record, its end rule's first byte
    std::vector<std::size_t> recordEnd;       // per record, one past its end rule
};

BaseFile makeBaseFile()
{
    BaseFile f;
    const char* blanks[] = {" ", "\n", "\t", "\r\n", "  ", "\v", "\f"};
    std::size_t blank = 0;
    auto add = [&](const std::string& token) {
        if (!f.bytes.empty())
            f.bytes += blanks[blank++ % std::size(blanks)];
        f.tokens.push_back(token);
        f.bytes += token;
    };
    std::string longKorean;  // 39 syllables and a letter: 79 bytes
    for (int i = 0; i < 39; ++i)
        longKorean += "\xB0\xA1";
    const std::vector<std::string> names = {  // CP949
        Utf8ToCp949("서울"), "\x8C\x63\xB9\xE6", "Zurich", Utf8ToCp949("뉴욕"), "x",
        std::string(79, 'n'), longKorean + "A",
    };
    int region = 0;
    const int counts[] = {3, 0, 2, -4, 1, 4, 0, 2};
    for (int g = 0; g < kWorldTimeGroups; ++g) {
        add(Utf8ToCp949("그룹" + std::to_string(g)));
        add(std::to_string(counts[g]));
        for (int i = 0; i < counts[g]; ++i, ++region) {
            const std::string& name = names[static_cast<std::size_t>(region) % names.size()];
            add(name);
            add(std::to_string(region * 37 % 1500 - 720));
            add(region % 3 ? "+" + std::to_string(region % 21) : std::to_string(-(region % 2)));
            const std::string end = std::to_string(region % 17);
            f.lastTokenStart.push_back(f.bytes.size() + 1);  // after the next blank
            add(end);
            f.recordEnd.push_back(f.bytes.size());
        }
    }
    add(Utf8ToCp949("읽지않음"));  // after the eighth group
    add("1");
    return f;
}

std::string randomBytes(std::mt19937& rng, std::size_t maxLength)
{
    std::uniform_int_distribution<std::size_t> length(1, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(length(rng), '\0');
    for (char& c : s)
        c = static_cast<char>(byte(rng));
    return s;
}

// Tokens that a damaged or hostile file may hold where anything is due.
std::string garbageToken(std::mt19937& rng)
{
    static const std::vector<std::string> kGarbage = {
        "x", "-", "+", "+-1", "--1", "12x", "0x10", "1e3", "99999999999", "2147483647",
        "-2147483648", "2147483648", "-2147483649", "0", "-1", "13", "21", "17", "9999",
        "10000", "\xB0", "\xFF\xFE", std::string(79, 'n'), std::string(80, 'n'),
        std::string(200, 'n'), std::string(81, '\xB0'), std::string(1000, '7'),
    };
    std::uniform_int_distribution<std::size_t> pick(0, kGarbage.size());
    const std::size_t i = pick(rng);
    if (i < kGarbage.size())
        return kGarbage[i];
    std::string s = randomBytes(rng, 120);
    for (char& c : s) {
        if (c == ' ' || (c >= '\t' && c <= '\r'))
            c = '_';  // one token
    }
    return s;
}

std::string join(const std::vector<std::string>& tokens)
{
    std::string s;
    for (const auto& t : tokens)
        s += t + "\n";
    return s;
}

bool sameRow(const WorldTimeEntry& a, const WorldTimeEntry& b)
{
    return std::strcmp(a.name, b.name) == 0 && a.offsetMinutes == b.offsetMinutes
           && a.dstStartRule == b.dstStartRule && a.dstEndRule == b.dstEndRule;
}

} // namespace

// Cut at every length, the file loads exactly the records it holds whole;
// the last one may have a shortened end rule, the rows before it are those
// of the whole file.
TEST(WorldTimeFuzz, CutAtEveryLength)
{
    const BaseFile base = makeBaseFile();
    TempFile file(base.bytes);
    ASSERT_TRUE(LoadWorldTimeTable(file.path(), nullptr));
    const auto whole = g_worldTimeTable;
    const std::int32_t wholeRows = WorldTimeRowCount();
    ASSERT_EQ(static_cast<std::size_t>(wholeRows), base.recordEnd.size() + 1);

    for (std::size_t n = 0; n <= base.bytes.size(); ++n) {
        SCOPED_TRACE("cut at " + std::to_string(n));
        file.write(base.bytes.substr(0, n));
        RecordingWorldTimeTree tree;
        ASSERT_TRUE(LoadWorldTimeTable(file.path(), &tree));
        const std::int32_t rows = WorldTimeRowCount();
        std::int32_t complete = 0, started = 0;
        for (std::size_t r = 0; r < base.recordEnd.size(); ++r) {
            complete += base.recordEnd[r] <= n;
            started += base.lastTokenStart[r] < n;
        }
        ASSERT_GE(rows - 1, complete);
        ASSERT_LE(rows - 1, started);
        for (std::int32_t r = 1; r < rows; ++r) {
            const auto& got = g_worldTimeTable[static_cast<std::size_t>(r)];
            const auto& want = whole[static_cast<std::size_t>(r)];
            if (r < rows - 1 || base.recordEnd[static_cast<std::size_t>(r - 1)] <= n) {
                ASSERT_TRUE(sameRow(got, want)) << "row " << r;
            } else {
                ASSERT_STREQ(got.name, want.name);
                ASSERT_EQ(got.offsetMinutes, want.offsetMinutes);
                ASSERT_EQ(got.dstStartRule, want.dstStartRule);
            }
        }
        expectSoundTable();
        expectWellFormedTree(tree, rows);
    }
}

// Random damage: tokens replaced by garbage, dropped or repeated, random
// bytes inserted, bytes flipped, the file cut. Every load is sound and
// repeatable.
TEST(WorldTimeFuzz, MutatedFiles)
{
    const BaseFile base = makeBaseFile();
    std::mt19937 rng(kSeed);
    TempFile file("");
    constexpr int kIterations = kUnderThreadSanitizer ? 300 : 3000;
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        std::vector<std::string> tokens = base.tokens;
        std::uniform_int_distribution<int> mutations(1, 4);
        for (int m = mutations(rng); m > 0; --m) {
            std::uniform_int_distribution<std::size_t> at(0, tokens.size() - 1);
            switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
            case 0: tokens[at(rng)] = garbageToken(rng); break;
            case 1: tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(at(rng))); break;
            case 2: {
                const std::size_t i = at(rng);
                tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens[i]);
                break;
            }
            default: tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at(rng)),
                                   garbageToken(rng));
            }
            if (tokens.empty())
                tokens.push_back("x");
        }
        std::string bytes = join(tokens);
        switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
        case 0:
            bytes.insert(std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng),
                         randomBytes(rng, 40));
            break;
        case 1:
            if (!bytes.empty())
                bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(rng)] ^=
                    static_cast<char>(1 << std::uniform_int_distribution<int>(0, 7)(rng));
            break;
        case 2:
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng));
            break;
        default: break;
        }

        SCOPED_TRACE("iteration " + std::to_string(iteration) + ", seed " + std::to_string(kSeed));
        file.write(bytes);
        RecordingWorldTimeTree tree;
        ASSERT_TRUE(LoadWorldTimeTable(file.path(), &tree));
        const std::int32_t rows = WorldTimeRowCount();
        expectSoundTable();  // rows past the loaded ones are empty
        expectWellFormedTree(tree, rows);
        const std::vector<WorldTimeEntry> first(g_worldTimeTable.begin(),
                                                g_worldTimeTable.begin() + rows);
        for (std::int32_t r = 0; r < rows; ++r)
            (void)BuildAreaInfo(r, MakeWallTime(2026, 7, 1));
        ASSERT_TRUE(LoadWorldTimeTable(file.path(), nullptr));
        ASSERT_EQ(WorldTimeRowCount(), rows);
        ASSERT_EQ(std::memcmp(first.data(), g_worldTimeTable.data(), first.size() * sizeof first[0]), 0);
        if (HasFatalFailure())
            return;
    }
}

// Random rows at random times: the shown time differs from the PC's by the
// offset, plus exactly the summer hour, and nothing overflows.
TEST(WorldTimeFuzz, RandomRowsAtRandomTimes)
{
    std::mt19937 rng(kSeed);
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::int32_t extremes[] = {kMin, kMax, kMin + 1, kMax - 1, 0, -1, 1, 60, -60};
    auto pickInt = [&](std::int32_t lo, std::int32_t hi) {
        if (std::uniform_int_distribution<int>(0, 4)(rng) == 0)
            return extremes[std::uniform_int_distribution<std::size_t>(0, std::size(extremes) - 1)(rng)];
        return std::uniform_int_distribution<std::int32_t>(lo, hi)(rng);
    };
    std::string text = "G 500\n";
    for (int i = 0; i < 500; ++i) {
        text += "r" + std::to_string(i) + " " + std::to_string(pickInt(-1500, 1500)) + " "
                + std::to_string(pickInt(-3, 25)) + " " + std::to_string(pickInt(-3, 20)) + "\n";
    }
    TempFile file(text);
    ASSERT_TRUE(LoadWorldTimeTable(file.path(), nullptr));
    ASSERT_EQ(WorldTimeRowCount(), 501);

    const WallTime first = MakeWallTime(1, 1, 1);
    const WallTime last = MakeWallTime(9999, 12, 31, 23, 59, 59);
    std::uniform_int_distribution<std::int64_t> anyTime(first.time_since_epoch().count(),
                                                        last.time_since_epoch().count());
    for (std::int32_t r = 0; r <= 501; ++r) {
        for (int i = 0; i < 40; ++i) {
            const WallTime now{seconds{anyTime(rng)}};
            const WallTime shown = RegionTimeNow(r, now);
            const std::int64_t a = r < 501 ? g_worldTimeTable[static_cast<std::size_t>(r)].offsetMinutes : 0;
            const bool summer = a != 0 && IsSummerTime(r, now + minutes{a});
            ASSERT_EQ(shown - now, minutes{a + (summer ? 60 : 0)}) << "row " << r;
            const std::string info = BuildAreaInfo(r, now);
            ASSERT_EQ(info.rfind("선택하신 지역은 한국", 0), 0u) << "row " << r;
        }
    }
}
