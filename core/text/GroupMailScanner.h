#pragma once
// Finds group mail addresses in free text (a saved mailbox, a list of addresses) and turns them
// into group names.
//
// An address is what the pattern [_a-zA-Z0-9\-.]+@<domain> matches, where every "." of the
// domain stands for any one character (line breaks included) and letters compare with their
// case. Matches are found from left to right without overlapping, each starting as early as
// possible, as a greedy regular-expression search would find them. The scanner reads every
// character a bounded number of times, so a file of hundreds of megabytes costs one pass.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Calls `onMatch` with every matched address in order.
void ScanGroupMailAddresses(std::string_view text, std::string_view domain,
                            const std::function<void(std::string_view match)>& onMatch);

// The group name of a matched address: the text before its last "@", trimmed; an address of a
// list's service (-unsubscribe, -subscribe, -owner, -moderator, in any case) loses the part from
// its last "-". Empty when nothing is left.
[[nodiscard]] std::string GroupNameOfAddress(std::string_view match);

// The group names of every address in the text, in order of appearance (repeats kept).
[[nodiscard]] std::vector<std::string> GroupNamesInMailText(std::string_view text,
                                                            std::string_view domain);

}  // namespace tessaly
