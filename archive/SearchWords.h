#pragma once
// The words the search knows a message by: runs of letters and digits (in any script) of the
// subject, the author and the text, in lower case, at least two and at most 40 UTF-16 units
// long. The search page cuts a query the same way (search.js), so both sides agree.

#include <string>
#include <string_view>

namespace tessaly::archive {

inline constexpr int kShortestWord = 2;
inline constexpr int kLongestWord = 40;

// Appends the words of `text` (UTF-8) to `words`, each followed by one blank (repeats
// included). Words hold no blank, so the list is cut at blanks; one string for all the words
// of a message costs one allocation where a string per word cost one each.
void AppendWords(std::string_view text, std::string& words);

}  // namespace tessaly::archive
