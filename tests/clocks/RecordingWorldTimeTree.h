#pragma once
// A region tree that records what the loader builds, and the checks every
// loaded tree and table must pass, whatever file they came from.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "clocks/WorldTime.h"
#include "clocks/WorldTimeTree.h"

class RecordingWorldTimeTree final : public WorldTimeTree
{
public:
    struct Node
    {
        Item parent;
        std::string text;
        std::int32_t data;
    };

    // Handles are 1 + the index into nodes().
    Item InsertItem(Item parent, const std::string& text, std::int32_t data) override
    {
        m_nodes.push_back({parent, text, data});
        const auto item = static_cast<Item>(m_nodes.size());
        m_children[parent].push_back(item);
        return item;
    }
    void Expand(Item item) override { m_expanded.push_back({item, m_nodes.size()}); }

    const std::vector<Node>& nodes() const { return m_nodes; }
    const Node& node(Item item) const { return m_nodes.at(static_cast<std::size_t>(item - 1)); }
    // The children of parent in the order they were inserted.
    std::vector<Item> children(Item parent) const
    {
        const auto it = m_children.find(parent);
        return it == m_children.end() ? std::vector<Item>() : it->second;
    }
    // Each Expand call: the item, and how many items existed at the time.
    struct Expansion
    {
        Item item;
        std::size_t itemsBefore;
    };
    const std::vector<Expansion>& expanded() const { return m_expanded; }

private:
    std::vector<Node> m_nodes;
    std::map<Item, std::vector<Item>> m_children;
    std::vector<Expansion> m_expanded;
};

// The shape every load leaves: root "세계시간표", "UTC" under it, then at most
// eight groups whose regions carry rows 1, 2, ... in order; the root expanded
// once, after everything was inserted. Non-fatal failures, for use in loops.
inline void expectWellFormedTree(const RecordingWorldTimeTree& tree, std::int32_t rows)
{
    using Item = WorldTimeTree::Item;
    const auto top = tree.children(WorldTimeTree::kTop);
    ASSERT_EQ(top.size(), 1u);
    const Item root = top[0];
    EXPECT_EQ(tree.node(root).text, "세계시간표");
    EXPECT_EQ(tree.node(root).data, -1);
    const auto underRoot = tree.children(root);
    ASSERT_GE(underRoot.size(), 1u);
    EXPECT_EQ(tree.node(underRoot[0]).text, "UTC");
    EXPECT_EQ(tree.node(underRoot[0]).data, 0);
    EXPECT_TRUE(tree.children(underRoot[0]).empty());
    EXPECT_LE(underRoot.size(), 1u + kWorldTimeGroups);
    std::int32_t nextRow = 1;
    for (std::size_t g = 1; g < underRoot.size(); ++g) {
        EXPECT_EQ(tree.node(underRoot[g]).data, -1);
        for (Item region : tree.children(underRoot[g])) {
            EXPECT_EQ(tree.node(region).data, nextRow);
            EXPECT_EQ(tree.node(region).text, WorldTimeName(nextRow));
            EXPECT_TRUE(tree.children(region).empty());
            ++nextRow;
        }
    }
    EXPECT_EQ(nextRow, rows);
    ASSERT_EQ(tree.expanded().size(), 1u);
    EXPECT_EQ(tree.expanded()[0].item, root);
    EXPECT_EQ(tree.expanded()[0].itemsBefore, tree.nodes().size());
}

// Row 0 is "UTC", every loaded name ends inside its buffer, and every row
// past the loaded ones is empty.
inline void expectSoundTable()
{
    const std::int32_t rows = WorldTimeRowCount();
    ASSERT_GE(rows, 1);
    ASSERT_LE(rows, kWorldTimeRows);
    EXPECT_STREQ(g_worldTimeTable[0].name, "UTC");
    EXPECT_EQ(g_worldTimeTable[0].offsetMinutes, -540);
    EXPECT_EQ(g_worldTimeTable[0].dstStartRule, 0);
    EXPECT_EQ(g_worldTimeTable[0].dstEndRule, 0);
    const auto begin = g_worldTimeTable.begin();
    const auto unterminated = std::find_if(begin + 1, begin + rows, [](const WorldTimeEntry& e) {
        return std::memchr(e.name, '\0', sizeof e.name) == nullptr;
    });
    EXPECT_EQ(unterminated, begin + rows) << "row " << unterminated - begin << " has no NUL";
    static const WorldTimeEntry empty{};
    const auto used = std::find_if(begin + rows, g_worldTimeTable.end(), [](const WorldTimeEntry& e) {
        return std::memcmp(&e, &empty, sizeof e) != 0;
    });
    EXPECT_EQ(used, g_worldTimeTable.end())
        << "row " << used - begin << " past the " << rows << " loaded ones is not empty";
}

// A file in the test's temporary folder, removed with the object.
class TempFile
{
public:
    explicit TempFile(const std::string& bytes)
    {
        static int serial = 0;
        m_path = testing::TempDir() + "vesk_world_time_" + std::to_string(::getpid()) + "_"
                 + std::to_string(serial++) + ".txt";
        write(bytes);
    }
    ~TempFile() { std::remove(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Replaces the content. The old file is removed rather than truncated:
    // ext4 flushes a file truncated and rewritten (auto_da_alloc), which made
    // thousands of rewrites wait on the disk.
    void write(const std::string& bytes)
    {
        std::remove(m_path.c_str());
        std::FILE* f = std::fopen(m_path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << m_path;
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The table file the project ships.
inline std::string shippedTablePath()
{
    return std::string(VESK_RESOURCES_DIR) + "/" + kWorldTimeFileName;
}
