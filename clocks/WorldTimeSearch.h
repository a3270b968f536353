#pragma once
// Finding a region in the world time dialog's tree by a part of its name.
// Names are compared as CP949 text, character by character, the way the
// table file spells them: a match starts only where a character starts, so
// a query never matches the second byte of one Hangul syllable joined to
// the first byte of the next.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clocks/WorldTimeTree.h"

// What the search edit shows until it gets the focus, and again after an
// empty search.
inline constexpr char kWorldTimeFindHint[] = "찾고자 하는 도시/국가명";
// Description texts after an empty search and after one that found nothing.
inline constexpr char kWorldTimeFindEmptyText[] = "지역을 입력해 주십시오";
inline constexpr char kWorldTimeNotFoundText[] = "입력하신 지역을 찾을 수 없습니다";

// The region tree as the search reads it: root "세계시간표" under kTop,
// "UTC" and the groups under the root, the regions under the groups.
class WorldTimeSearchTree
{
public:
    using Item = WorldTimeTree::Item;

    virtual ~WorldTimeSearchTree() = default;

    // The children of item (kTop: the top items) in tree order.
    virtual std::vector<Item> Children(Item item) const = 0;
    // The text item shows, UTF-8.
    virtual std::string ItemText(Item item) const = 0;
};

// Whether the CP949 text haystack contains needle starting at a character
// boundary; a byte 0x81..0xFE leads a two-byte character (one byte at the
// very end). Case-sensitive; an empty needle is contained everywhere.
bool Cp949Contains(std::string_view haystack, std::string_view needle);

struct WorldTimeMatch
{
    WorldTimeSearchTree::Item group;   // the root's child holding region
    WorldTimeSearchTree::Item region;
};

// The first region, in tree order, whose name contains findUtf8 (compared
// in CP949); the root's own children ("UTC", the groups) are never
// compared. None for an empty find text or a tree without root.
std::optional<WorldTimeMatch> FindWorldTimeRegion(const WorldTimeSearchTree& tree,
                                                  std::string_view findUtf8);
