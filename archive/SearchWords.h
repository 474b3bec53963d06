#pragma once
// The words the search knows a message by: runs of letters and digits (in any script) of the
// subject, the author and the text, in lower case, at least two and at most 40 UTF-16 units
// long. The search page cuts a query the same way (search.js), so both sides agree.

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::archive {

inline constexpr int kShortestWord = 2;
inline constexpr int kLongestWord = 40;

// Appends the words of `text` (UTF-8) to `words` (repeats included).
void AppendWords(std::string_view text, std::vector<std::string>& words);

}  // namespace tessaly::archive
