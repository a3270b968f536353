// Finding a region by a part of its name: CP949 character boundaries, tree
// order, and what is never compared.

#include "clocks/WorldTimeSearch.h"

#include <gtest/gtest.h>

#include "RecordingWorldTimeTree.h"
#include "base/Cp949.h"

namespace {

// A table whose names trap a byte-wise search: in CP949 "구가" is B1 B8 B0 A1
// and holds 린 (B8 B0) across its two syllables, "객베" (B0 B4 BA A3) holds
// 뉴 (B4 BA), and the extension syllable 똠 is 8C 63, whose second byte is 'c'.
const char kTable[] =
    "아시아 5\n서울 0 0 0\n구가 60 0 0\n객베 60 0 0\n똠얌 -120 0 0\n갠데 0 0 0\n"
    "유럽 3\nLondon -540 3 4\n베를린 -480 2 1\nNice -480 2 1\n"
    "중동 1\nNicosia -420 0 0\n"
    "북아메리카 1\n뉴욕 -840 1 1\n"
    "빈곳 0\n아프리카 1\n도하 -360 0 0\n중남미 0\n오세아니아 0\n";

// The recorded tree as the search reads it.
class RecordedSearchTree final : public WorldTimeSearchTree
{
public:
    explicit RecordedSearchTree(const RecordingWorldTimeTree& tree) : m_tree(tree) {}
    std::vector<Item> Children(Item item) const override { return m_tree.children(item); }
    std::string ItemText(Item item) const override { return m_tree.node(item).text; }

private:
    const RecordingWorldTimeTree& m_tree;
};

std::string Cp(const char* utf8)
{
    return Utf8ToCp949(utf8);
}

TEST(Cp949Contains, MatchesOnlyAtCharacterStarts)
{
    const struct
    {
        const char* name;
        std::string haystack;
        std::string needle;
        bool contained;
    } rows[] = {
        {"whole name", Cp("서울"), Cp("서울"), true},
        {"second syllable", Cp("서울"), Cp("울"), true},
        {"across two syllables", Cp("구가"), Cp("린"), false},
        {"across, then real", Cp("구가린"), Cp("린"), true},
        {"extension trail byte is a letter", Cp("똠얌"), "c", false},
        {"letter after extension syllable", Cp("똠c"), "c", true},
        {"lone lead byte at the end", "ab\xB0", "\xB0", true},
        {"Latin, same case", "London", "Lon", true},
        {"Latin, other case", "London", "lon", false},
        {"Latin, inside", "London", "don", true},
        {"longer than the name", "Nice", "Nicer", false},
        {"empty needle", "Nice", "", true},
        {"empty name", "", "N", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Cp949Contains(row.haystack, row.needle), row.contained) << row.name;
}

class WorldTimeSearchTest : public ::testing::Test
{
protected:
    void load(const std::string& path)
    {
        ASSERT_TRUE(LoadWorldTimeTable(path, &m_recorded));
        const auto top = m_recorded.children(WorldTimeTree::kTop);
        ASSERT_EQ(top.size(), 1u);
        m_root = top[0];
    }
    // The name found for find and the name of its group; empty when none.
    std::pair<std::string, std::string> find(const char* find) const
    {
        const auto match = FindWorldTimeRegion(m_tree, find);
        if (!match)
            return {};
        EXPECT_EQ(m_recorded.node(match->region).parent, match->group);
        EXPECT_EQ(m_recorded.node(match->group).parent, m_root);
        return {m_recorded.node(match->region).text, m_recorded.node(match->group).text};
    }

    RecordingWorldTimeTree m_recorded;
    RecordedSearchTree m_tree{m_recorded};
    WorldTimeTree::Item m_root = 0;
};

TEST_F(WorldTimeSearchTest, FindsTheFirstRegionInTreeOrder)
{
    TempFile file(Utf8ToCp949(kTable));
    load(file.path());
    using Found = std::pair<std::string, std::string>;
    const struct
    {
        const char* find;
        Found found;
    } rows[] = {
        {"서울", {"서울", "아시아"}},
        {"울", {"서울", "아시아"}},
        {"린", {"베를린", "유럽"}},      // not 구가
        {"뉴", {"뉴욕", "북아메리카"}},  // not 객베
        {"도", {"도하", "아프리카"}},    // not 갠데 (B5 B5 across 갠 and 데)
        {"c", {"Nice", "유럽"}},         // not 똠얌
        {"Nic", {"Nice", "유럽"}},       // Nicosia comes later
        {"cos", {"Nicosia", "중동"}},
        {"Lon", {"London", "유럽"}},
        {"lon", {}},
        {"UTC", {}},      // the UTC item is not a region of any group
        {"아시아", {}},   // nor are the groups
        {"빈곳", {}},
        {"서울 ", {}},
        {"파리", {}},
        {"", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(find(row.find), row.found) << row.find;
}

TEST_F(WorldTimeSearchTest, TreeWithoutRootFindsNothing)
{
    EXPECT_FALSE(FindWorldTimeRegion(m_tree, "서울"));
}

// In the shipped table every region's full name finds that region or one
// before it in tree order whose name contains it.
TEST_F(WorldTimeSearchTest, EveryShippedRegionIsFoundByItsName)
{
    load(shippedTablePath());
    std::vector<WorldTimeTree::Item> order;
    for (auto group : m_recorded.children(m_root))
        for (auto region : m_recorded.children(group))
            order.push_back(region);
    ASSERT_GT(order.size(), 100u);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::string& name = m_recorded.node(order[i]).text;
        const auto match = FindWorldTimeRegion(m_tree, name);
        ASSERT_TRUE(match) << name;
        const auto at = std::find(order.begin(), order.end(), match->region) - order.begin();
        EXPECT_LE(static_cast<std::size_t>(at), i) << name;
        EXPECT_NE(m_recorded.node(match->region).text.find(name), std::string::npos) << name;
    }
}

} // namespace
