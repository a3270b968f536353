#pragma once
// The region tree as LoadWorldTimeTable builds it: the world time dialog
// implements this over its tree control, tests record the calls.

#include <cstdint>
#include <string>

class WorldTimeTree
{
public:
    // An item handle chosen by the implementation; kTop stands for the
    // invisible top of the tree, the parent of the root item.
    using Item = std::intptr_t;
    static constexpr Item kTop = 0;

    virtual ~WorldTimeTree() = default;

    // Appends an item showing text (UTF-8) as the last child of parent and
    // carrying data (a table row, or -1 for the root and the groups).
    virtual Item InsertItem(Item parent, const std::string& text, std::int32_t data) = 0;
    // Shows the children of item.
    virtual void Expand(Item item) = 0;
};
