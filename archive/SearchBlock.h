#pragma once
// One block of a group's search index: the messages numbered from k*kBlockSize up to the next
// block, as a script that hands the search page its messages and, for each word, the
// messages that hold it. A message only ever changes its own block, so a new download
// rewrites the blocks of the new messages and leaves the others alone.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/MessageCatalog.h"

namespace tessaly::archive {

inline constexpr std::int64_t kBlockSize = 1000;

[[nodiscard]] inline std::int64_t BlockOf(std::int64_t number) {
    return number / kBlockSize;
}

struct TBlockMessage {
    const TCatalogEntry* entry = nullptr;
    // Its subject, author and text, one after another on lines of their own: the words are cut
    // from them (ForEachWord) as the block is made.
    std::string text;
};

// The script of block `block` of `group`: TS.block(group, block, messages, words), where
// messages are [number, file, subject, author, date] (null for an unknown part) and words map
// each word to the positions of its messages in that list, as base-36 differences joined by
// ",".
[[nodiscard]] std::string SearchBlockScript(const std::string& group, std::int64_t block,
                                            std::vector<TBlockMessage>& messages);

}  // namespace tessaly::archive
