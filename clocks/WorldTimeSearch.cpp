#include "clocks/WorldTimeSearch.h"

#include <cstdint>

#include "base/Cp949.h"

namespace {

bool isLeadByte(char c)
{
    const auto b = static_cast<std::uint8_t>(c);
    return b >= 0x81 && b <= 0xFE;
}

} // namespace

bool Cp949Contains(std::string_view haystack, std::string_view needle)
{
    if (needle.empty())
        return true;
    for (std::size_t at = 0; at < haystack.size();) {
        if (haystack.substr(at).starts_with(needle))
            return true;
        at += isLeadByte(haystack[at]) && at + 1 < haystack.size() ? 2 : 1;
    }
    return false;
}

std::optional<WorldTimeMatch> FindWorldTimeRegion(const WorldTimeSearchTree& tree,
                                                  std::string_view findUtf8)
{
    if (findUtf8.empty())
        return std::nullopt;
    const std::vector<WorldTimeSearchTree::Item> top = tree.Children(WorldTimeTree::kTop);
    if (top.empty())
        return std::nullopt;
    const std::string find = Utf8ToCp949(findUtf8);
    for (const auto group : tree.Children(top.front())) {
        for (const auto region : tree.Children(group)) {
            if (Cp949Contains(Utf8ToCp949(tree.ItemText(region)), find))
                return WorldTimeMatch{group, region};
        }
    }
    return std::nullopt;
}
