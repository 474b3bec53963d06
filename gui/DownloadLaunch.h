#pragma once
// The rules of starting a download from the desktop program that need no widgets: which groups
// of the tree a choice takes, when the order dialog opens, how its number texts read, where a
// dragged row lands, and which section each entry of the chooser's list means.

#include <cstdint>
#include <string>
#include <vector>

#include "harvest/GroupChoice.h"

namespace tessaly::gui {

// One item of the group tree as the chooser sees it; item 0 is the root.
struct TTreeEntry {
    std::string text;
    bool checked = false;
    bool favourite = false;
};

// The trimmed names the choice takes from the tree's items, in the tree's order. `current` is
// the index of the current group among `items`, -1 when there is none or it is no longer an
// item of the tree. Only Current, Checked, All, FromGroup, Favourites and CheckedFavourites are
// choices of the chooser; Named takes nothing.
[[nodiscard]] std::vector<std::string> CollectGroups(const std::vector<TTreeEntry>& items,
                                                     int current, TGroupChoice choice);

// The chooser's list entries in order: Files, Photos, messages. -1 for a section the list does
// not offer (attachments): the first entry is then selected.
[[nodiscard]] int SectionEntry(std::uint8_t section);
// The section of a list entry; nullopt-like 255 when no entry is selected.
[[nodiscard]] std::uint8_t EntrySection(int entry);

// Whether the order dialog opens: it is asked for, and the run has more than one group or is a
// message section (messages or attachments), whose ranges can be edited even for one group.
[[nodiscard]] bool OrderDialogWanted(bool asked, std::size_t groups, std::uint8_t section);
// Whether the order dialog shows the message page (From, To, Old Pos) for the section.
[[nodiscard]] bool MessagePage(std::uint8_t section);

// A From or To text of the order dialog as a number: one or more decimal digits, else 0.
[[nodiscard]] std::int64_t RangeNumber(const std::string& text);
// The largest number the range editor takes (nine digits).
inline constexpr std::int64_t kMaxMessageNumber = 999999999;

// Where a row dropped at height `y` over a row spanning [top, top + height) goes: before it in
// the upper half (the middle itself counts as upper), after it in the lower half.
[[nodiscard]] bool DropsAfter(int y, int top, int height);
// The index the dragged row `from` takes when dropped before (after) row `target` of `count`
// rows; `from` itself when nothing moves.
[[nodiscard]] int DropIndex(int from, int target, bool after, int count);

}  // namespace tessaly::gui
