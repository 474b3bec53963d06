#pragma once
// The words the search knows a message by: runs of letters and digits (in any script) of the
// subject, the author and the text, in lower case, at least two and at most 40 UTF-16 units
// long. The search page cuts a query the same way (search.js), so both sides agree.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tessaly::archive {

inline constexpr int kShortestWord = 2;
inline constexpr int kLongestWord = 40;

// Appends the words of `text` (UTF-8) to `words`, each followed by one blank (repeats
// included). Words hold no blank, so the list is cut at blanks.
void AppendWords(std::string_view text, std::string& words);

namespace detail {

// For each byte: 0 when it is no ASCII letter or digit, else the byte in lower case.
inline constexpr std::array<char, 256> kAsciiWordByte = [] {
    std::array<char, 256> table{};
    for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<char>(c);
    for (int c = 'a'; c <= 'z'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<char>(c);
        table[static_cast<std::size_t>(c - 32)] = static_cast<char>(c);
    }
    return table;
}();

inline bool IsAsciiText(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, text.data() + i, 8);
        if ((eight & 0x8080808080808080ull) != 0) return false;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    }
    return true;
}

}  // namespace detail

// Calls `take(word)` for each word of `text` (UTF-8), repeats included, as AppendWords cuts
// them; a view lasts for its call only. Plain ASCII, most of any archive, is cut here without a
// copy; a text with other characters goes line by line, its lines of plain ASCII cut here and
// the others by AppendWords through UTF-16.
template <typename Take>
void ForEachWord(std::string_view text, Take&& take) {
    if (!detail::IsAsciiText(text)) {
        std::size_t from = 0;
        while (from < text.size()) {
            std::size_t end = text.find('\n', from);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view line = text.substr(from, end - from);
            from = end + 1;
            if (detail::IsAsciiText(line)) {
                ForEachWord(line, take);
                continue;
            }
            std::string words;
            AppendWords(line, words);
            std::size_t at = 0;
            while (at < words.size()) {
                const std::size_t blank = words.find(' ', at);
                take(std::string_view(words).substr(at, blank - at));
                at = blank + 1;
            }
        }
        return;
    }
    char word[kLongestWord];
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        while (i < n && detail::kAsciiWordByte[static_cast<unsigned char>(text[i])] == 0) ++i;
        std::size_t length = 0;
        for (; i < n; ++i, ++length) {
            const char c = detail::kAsciiWordByte[static_cast<unsigned char>(text[i])];
            if (c == 0) break;
            if (length < sizeof word) word[length] = c;
        }
        if (length >= kShortestWord && length <= kLongestWord) take(std::string_view(word, length));
    }
}

}  // namespace tessaly::archive
