#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/Cp949.h"

namespace {

constexpr char32_t kFirstSyllable = 0xAC00;  // 가
constexpr char32_t kLastSyllable = 0xD7A3;   // 힣
const std::string kBad = "\xEF\xBF\xBD";     // U+FFFD in UTF-8

// UTF-8 of a character of the Basic Multilingual Plane above U+07FF.
std::string utf8(char32_t c)
{
    return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
}

// The syllable a UTF-8 result holds, or 0 for anything else.
char32_t syllableOf(const std::string& s)
{
    if (s.size() != 3)
        return 0;
    const auto b = [&](int i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    const char32_t c = (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    return c >= kFirstSyllable && c <= kLastSyllable ? c : 0;
}

std::string bytes(unsigned lead, unsigned trail)
{
    return {static_cast<char>(lead), static_cast<char>(trail)};
}

bool isUhcTrail(unsigned t)
{
    return (t >= 0x41 && t <= 0x5A) || (t >= 0x61 && t <= 0x7A) || (t >= 0x81 && t <= 0xFE);
}

} // namespace

// The unified Hangul code holds every modern syllable: the 2350 of KS X 1001
// at B0A1..C8FE in syllable order, and the other 8822 in the extension rows
// 8141..C652, also in syllable order. Decoding both areas in code order must
// give exactly the 11172 syllables, each once, each back to its own code.
TEST(Cp949, EverySyllableInBothAreasInOrder)
{
    std::vector<char32_t> wansung, extension;
    for (unsigned lead = 0xB0; lead <= 0xC8; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
            wansung.push_back(syllableOf(Cp949ToUtf8(bytes(lead, trail))));
    }
    for (unsigned lead = 0x81; lead <= 0xC6; ++lead) {
        const unsigned lastTrail = lead <= 0xA0 ? 0xFE : lead < 0xC6 ? 0xA0 : 0x52;
        for (unsigned trail = 0x41; trail <= lastTrail; ++trail) {
            if (isUhcTrail(trail))
                extension.push_back(syllableOf(Cp949ToUtf8(bytes(lead, trail))));
        }
    }
    ASSERT_EQ(wansung.size(), 2350u);
    ASSERT_EQ(extension.size(), 8822u);
    EXPECT_EQ(wansung.front(), U'가');
    EXPECT_EQ(wansung.back(), U'힝');
    EXPECT_EQ(extension.back(), U'힣');
    for (const auto* area : {&wansung, &extension}) {
        for (std::size_t i = 1; i < area->size(); ++i)
            ASSERT_LT((*area)[i - 1], (*area)[i]) << "position " << i;
    }
    std::set<char32_t> all(wansung.begin(), wansung.end());
    all.insert(extension.begin(), extension.end());
    EXPECT_EQ(all.size(), 11172u);
    EXPECT_EQ(all.count(0), 0u);

    for (char32_t c = kFirstSyllable; c <= kLastSyllable; ++c) {
        const std::string code = Utf8ToCp949(utf8(c));
        ASSERT_EQ(code.size(), 2u) << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(Cp949ToUtf8(code), utf8(c));
    }
}

// Extension syllables that a codec without the extension rows mangles, and
// text that mixes ASCII, KS X 1001 and the extension rows.
TEST(Cp949, ExtensionSyllablesAndMixedText)
{
    struct Row
    {
        std::string cp949;
        std::string utf8;
    };
    const Row rows[] = {
        {"\x8C\x63", "똠"},
        {"\x81\x41", "갂"},
        {"\xC6\x52", "힣"},
        {"\xB0\xA1", "가"},
        {"\xC8\xFE", "힝"},
        {"\xA1\xA1", "\u3000"},
        {"\xA2\xE6", "€"},
        {"\xBC\xBC\xB0\xE8\xBD\xC3\xB0\xA3\xC7\xA5.txt", "세계시간표.txt"},
        {"Seoul \x8C\x63\r\n\t-540", "Seoul 똠\r\n\t-540"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Cp949ToUtf8(row.cp949), row.utf8);
        EXPECT_EQ(Utf8ToCp949(row.utf8), row.cp949);
    }
}

// Damaged CP949: each bad character becomes one U+FFFD and ASCII after a bad
// lead byte survives.
TEST(Cp949, DamagedBytesAreReplaced)
{
    struct Row
    {
        std::string cp949;
        std::string utf8;
    };
    const Row rows[] = {
        {"\x81", kBad},                        // lead byte at the end
        {"A\xB0", "A" + kBad},
        {"\xB0 B", kBad + " B"},               // lead byte then ASCII
        {"\xC9\xA1x", kBad + "x"},             // user-defined row: one character
        {"\xFE\xA1x", kBad + "x"},
        {"\xC9\x41x", kBad + "Ax"},            // no such pair: 'A' is kept
        {"\xC6\x53", kBad + "S"},              // just past the last extension code
        {"\x80", kBad},
        {"\xFF\xFF", kBad + kBad},
        {"\xB0\xA1\x80\xB0\xA1", "가" + kBad + "가"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Cp949ToUtf8(row.cp949), row.utf8) << testing::PrintToString(row.cp949);
}

// Text cut at every byte converts its whole characters and marks a half one.
TEST(Cp949, CutAtEveryLength)
{
    const std::string text = "UTC 서울 똠 -540 Zürich 힣";
    const std::string code = Utf8ToCp949(text);
    ASSERT_EQ(Cp949ToUtf8(code), "UTC 서울 똠 -540 Z?rich 힣");  // ü is not in CP949
    std::string whole;  // the UTF-8 of the code's complete characters so far
    for (std::size_t n = 0; n <= code.size(); ++n) {
        std::size_t i = 0;
        whole.clear();
        while (i < n) {
            const bool twoByte = static_cast<unsigned char>(code[i]) >= 0x81;
            if (twoByte && i + 1 >= n) {
                whole += kBad;
                break;
            }
            whole += Cp949ToUtf8(code.substr(i, twoByte ? 2 : 1));
            i += twoByte ? 2 : 1;
        }
        EXPECT_EQ(Cp949ToUtf8(code.substr(0, n)), whole) << "cut at " << n;
    }
}

// What CP949 lacks, and UTF-8 that is not well formed, becomes '?': one per
// missing character, one per stray byte.
TEST(Cp949, UnconvertibleUtf8BecomesQuestionMarks)
{
    struct Row
    {
        std::string utf8;
        std::string cp949;
    };
    const Row rows[] = {
        {"a😀b", "a?b"},
        {"ก", "?"},
        {"é똠", "?\x8C\x63"},
        {"\xC0\x80", "??"},          // overlong NUL
        {"\xED\xA0\x80", "???"},     // surrogate
        {"\xEB\x98", "??"},          // cut before its last byte
        {"\x80x", "?x"},
        {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
    };
    for (const Row& row : rows)
        EXPECT_EQ(Utf8ToCp949(row.utf8), row.cp949) << testing::PrintToString(row.utf8);
}

// A text about to be stored names its first character that CP949 lacks,
// so it can be refused before it turns into "?".
TEST(Cp949, FirstCharNotInCp949)
{
    struct Row
    {
        std::string utf8;
        std::optional<std::string> first;
    };
    const Row rows[] = {
        {"회의 준비 똠 € \u3000 a\r\nb", std::nullopt},
        {"", std::nullopt},
        {"회의 \u2014 준비 ✓", "\u2014"},  // em dash, before the check mark
        {"왜? 점심 😀", "😀"},  // a question mark of its own is no culprit
        {"Zürich", "ü"},
        {"회의\xFF", kBad},
        {"\xEB\x98", kBad},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FirstCharNotInCp949(row.utf8), row.first) << testing::PrintToString(row.utf8);
}

// Conversions in parallel threads do not disturb one another.
TEST(Cp949, ThreadsConvertIndependently)
{
    std::string text;
    for (char32_t c = kFirstSyllable; c < kFirstSyllable + 2000; ++c)
        text += utf8(c) + (c % 7 ? "" : " 똠x\xFF");
    const std::string code = Utf8ToCp949(text);
    const std::string back = Cp949ToUtf8(code);
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                if (Utf8ToCp949(text) != code || Cp949ToUtf8(code) != back)
                    ++failures[static_cast<std::size_t>(t)];
            }
        });
    }
    for (auto& th : threads)
        th.join();
    for (int f : failures)
        EXPECT_EQ(f, 0);
}

// The character refused is exactly one that would not come back from the
// file as it went in, whole, over the whole Basic Multilingual Plane.
TEST(Cp949, FirstCharacterThatCannotBeStored)
{
    for (char32_t c = 0x800; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string text = "가 " + utf8(c) + " 똠";
        const bool kept = Cp949ToUtf8(Utf8ToCp949(text)) == text;
        ASSERT_EQ(FirstCharNotInCp949(text), kept ? std::nullopt : std::optional(utf8(c)))
            << std::hex << static_cast<std::uint32_t>(c);
    }
}
