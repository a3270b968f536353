#include "clocks/WorldTime.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "base/Cp949.h"
#include "clocks/SummerTimeRules.h"

// Row 0 is built in, so UTC is right even before a table is loaded.
std::array<WorldTimeEntry, kWorldTimeRows> g_worldTimeTable = {{{"UTC", -540, 0, 0}}};
std::int32_t g_nSelectedArea = -1;

namespace {

std::int32_t s_rowCount = 0;  // rows the last load filled, 0..kWorldTimeRows

constexpr std::size_t kMaxNameBytes = kWorldTimeNameSize - 1;

// One white-space separated token of the file. Only the first
// kWorldTimeNameSize bytes are kept: enough to tell a name that is too long
// and a number that cannot fit.
struct Token
{
    char bytes[kWorldTimeNameSize];
    std::size_t size = 0;  // bytes kept
    bool cut = false;      // the token was longer than bytes
};

// The white space of the scan formats "%s" and "%d" in the C locale.
bool isBlank(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads the next token of f; false at the end of the file.
bool readToken(std::FILE* f, Token& token)
{
    int c;
    do {
        c = std::getc(f);
    } while (c != EOF && isBlank(c));
    if (c == EOF)
        return false;
    token.size = 0;
    token.cut = false;
    for (; c != EOF && !isBlank(c); c = std::getc(f)) {
        if (token.size < sizeof token.bytes)
            token.bytes[token.size++] = static_cast<char>(c);
        else
            token.cut = true;
    }
    return true;
}

// The decimal integer with optional sign that token spells in full, or
// nothing for anything else, a value beyond 32 bits included.
std::optional<std::int32_t> parseNumber(const Token& token)
{
    if (token.cut || token.size == 0)
        return std::nullopt;
    const char* first = token.bytes;
    const char* last = token.bytes + token.size;
    if (first[0] == '+' && token.size > 1 && first[1] >= '0' && first[1] <= '9')
        ++first;  // from_chars takes '-' but not '+'
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

// Copies token into name as a NUL-terminated CP949 string of at most 79
// bytes, never splitting a two-byte character (lead byte 0x81..0xFE).
void storeName(char (&name)[kWorldTimeNameSize], const Token& token)
{
    std::size_t keep = 0;
    while (keep < token.size) {
        const auto lead = static_cast<unsigned char>(token.bytes[keep]);
        const std::size_t width = lead >= 0x81 && lead <= 0xFE && keep + 1 < token.size ? 2 : 1;
        if (keep + width > kMaxNameBytes)
            break;
        keep += width;
    }
    std::memcpy(name, token.bytes, keep);
    name[keep] = '\0';
}

bool validRow(std::int32_t row)
{
    return row >= 0 && row < kWorldTimeRows;
}

WorldTimeEntry& entry(std::int32_t row)
{
    return g_worldTimeTable[static_cast<std::size_t>(row)];
}

// A group name as the tree shows it, cut like a region name.
std::string displayName(const Token& token)
{
    char name[kWorldTimeNameSize];
    storeName(name, token);
    return Cp949ToUtf8(name);
}

} // namespace

bool LoadWorldTimeTable(const std::string& path, WorldTimeTree* tree)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    struct stat st{};
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);  // a folder opens for reading but holds no table
        return false;
    }

    // A shorter file than last time must not leave old rows behind.
    for (std::int32_t row = 1; row < s_rowCount; ++row)
        entry(row) = WorldTimeEntry{};
    WorldTimeEntry& utc = entry(0);
    utc = WorldTimeEntry{};
    std::strcpy(utc.name, "UTC");
    utc.offsetMinutes = -540;

    WorldTimeTree::Item root = WorldTimeTree::kTop;
    if (tree) {
        root = tree->InsertItem(WorldTimeTree::kTop, "세계시간표", -1);
        tree->InsertItem(root, "UTC", 0);
    }

    std::int32_t next = 1;  // next free row
    Token name, number;
    bool intact = true;     // false from the first token that is missing or wrong
    for (int group = 0; group < kWorldTimeGroups && intact; ++group) {
        if (!readToken(f, name) || !readToken(f, number))
            break;
        const std::optional<std::int32_t> count = parseNumber(number);
        if (!count)
            break;
        WorldTimeTree::Item groupItem = WorldTimeTree::kTop;
        if (tree)
            groupItem = tree->InsertItem(root, displayName(name), -1);
        for (std::int32_t i = 0; i < *count; ++i) {
            if (next >= kWorldTimeRows || !readToken(f, name)) {
                intact = false;
                break;
            }
            std::optional<std::int32_t> values[3];
            for (auto& value : values) {
                if (readToken(f, number))
                    value = parseNumber(number);
            }
            if (!values[0] || !values[1] || !values[2]) {
                intact = false;
                break;
            }
            WorldTimeEntry& e = entry(next);
            storeName(e.name, name);
            e.offsetMinutes = *values[0];
            e.dstStartRule = *values[1];
            e.dstEndRule = *values[2];
            if (tree)
                tree->InsertItem(groupItem, Cp949ToUtf8(e.name), next);
            ++next;
        }
    }
    s_rowCount = next;

    if (tree)
        tree->Expand(root);
    std::fclose(f);
    return true;
}

std::int32_t WorldTimeRowCount()
{
    return s_rowCount;
}

std::string WorldTimeName(std::int32_t row)
{
    if (!validRow(row))
        return {};
    const WorldTimeEntry& e = entry(row);
    return Cp949ToUtf8(std::string_view(e.name, strnlen(e.name, sizeof e.name)));
}

bool IsSummerTime(std::int32_t row, WallTime t)
{
    if (!validRow(row))
        return false;
    const WorldTimeEntry& e = entry(row);
    return SummerTimeApplies(e.dstStartRule, e.dstEndRule, t);
}

WallTime RegionTimeNow(std::int32_t row, WallTime now)
{
    if (!validRow(row) || entry(row).offsetMinutes == 0)
        return now;
    WallTime t = now + std::chrono::minutes{entry(row).offsetMinutes};
    if (IsSummerTime(row, t))
        t += std::chrono::hours{1};
    return t;
}

std::string BuildAreaInfo(std::int32_t row, WallTime now)
{
    if (!validRow(row))
        return {};
    const WorldTimeEntry& e = entry(row);

    const std::int64_t a = e.offsetMinutes;  // 64 bits: |INT32_MIN| must fit
    const std::int64_t size = a < 0 ? -a : a;
    const std::string hm = std::to_string(size / 60) + "시 " + std::to_string(size % 60) + "분";
    std::string diff;
    if (a >= 1)
        diff = "선택하신 지역은 한국보다 " + hm + "이 빠른 지역입니다.";
    else if (a < 0)
        diff = "선택하신 지역은 한국보다 " + hm + "이 늦은 지역입니다.";
    else
        diff = "선택하신 지역은 한국과 같은 시간대 지역 입니다";

    if (e.dstStartRule == -1)
        return diff + "\n" + "이 지역은 아직 써머타임 적용여부가 확인 되지 않았습니다.";
    if (e.dstStartRule == 0)
        return diff + "\n" + "이 지역은 써머타임을 적용하지 않습니다.";
    const WallTime standard = now + std::chrono::minutes{e.offsetMinutes};
    if (IsSummerTime(row, standard)) {
        return diff + "현재시각은 써머타임이 적용된 시각입니다.\n"
               + std::string(DstStartRuleText(e.dstStartRule))
               + std::string(DstEndRuleText(e.dstEndRule));
    }
    return diff + "\n" + "써머타임을 적용하는 지역이지만 현재 써머타임 적용기간이 아닙니다.";
}
