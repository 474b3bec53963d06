#pragma once
// Text tests and rewriting. Texts are byte strings; comparisons "without regard to case" fold
// the ASCII letters only, which keeps multi-byte characters intact and is the same on every
// machine.
//
// Positions in the range functions are 1-based, as in the rest of the program's text handling:
// position 1 is the first character and 0 means "not found"; an index outside the text gives an
// empty text or 0 instead of failing.

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

[[nodiscard]] constexpr char UpCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
[[nodiscard]] constexpr char LowCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
[[nodiscard]] std::string UpperCase(std::string_view text);
[[nodiscard]] std::string LowerCase(std::string_view text);

[[nodiscard]] bool ContainsText(std::string_view part, std::string_view text);
[[nodiscard]] bool ContainsStr(std::string_view part, std::string_view text);
[[nodiscard]] bool SameText(std::string_view a, std::string_view b);
// Three-way comparison without regard to case (<0, 0, >0).
[[nodiscard]] int CompareText(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsText(std::string_view prefix, std::string_view text);
[[nodiscard]] bool EndsText(std::string_view suffix, std::string_view text);
[[nodiscard]] bool StartsStr(std::string_view prefix, std::string_view text);

[[nodiscard]] std::string ReplaceText(std::string_view text, std::string_view search,
                                      std::string_view replacement);
[[nodiscard]] std::string ReplaceAllStr(std::string_view text, std::string_view search,
                                        std::string_view replacement);
[[nodiscard]] std::string ReplaceChar(std::string_view text, char character,
                                      std::string_view replacement);
[[nodiscard]] std::string SlashToBackslash(std::string_view text);
[[nodiscard]] std::string BackslashToSlash(std::string_view text);

[[nodiscard]] bool IsAllDigits(std::string_view text);
[[nodiscard]] bool IsDottedNumber(std::string_view text);
// The file name of a path with the first occurrence of its extension (dot included) removed.
[[nodiscard]] std::string FileNameWithoutExtension(std::string_view path);
// The file name part of a path (after the last "/"), and its extension from the last "." of
// the name, dot included (empty when none).
[[nodiscard]] std::string ExtractFileName(std::string_view path);
[[nodiscard]] std::string ExtractFileExt(std::string_view path);

// head := the text before the first `character`; text := what follows it. Without the
// character, head is the whole text and text becomes empty.
void SplitFirst(std::string& text, char character, std::string& head);
// The pieces of repeated SplitFirst, stopping at the first empty piece.
void SplitToList(std::string_view text, char character, std::vector<std::string>& list);

[[nodiscard]] char LastChar(std::string_view text);  // '\0' for an empty text
void DropLastChar(std::string& text);

// Range functions.
[[nodiscard]] std::size_t PosFrom(char c, std::string_view text, std::size_t start = 1);
[[nodiscard]] std::size_t PosFrom(std::string_view part, std::string_view text,
                                  std::size_t start = 1, bool ignoreCase = false);
[[nodiscard]] std::size_t LastPos(char c, std::string_view text);
[[nodiscard]] std::string CopyFrom(std::string_view text, std::size_t index);
[[nodiscard]] std::string CopyRange(std::string_view text, std::size_t index, std::size_t count);
[[nodiscard]] std::string CopyUpTo(std::string_view text,
                                   std::size_t index);  // characters 1..index-1
[[nodiscard]] std::string CopyFirst(std::string_view text, std::size_t count);
[[nodiscard]] std::string Trim(std::string_view text);  // characters 0..32 at both ends
[[nodiscard]] std::string TrimLeft(std::string_view text);
[[nodiscard]] std::string TrimRight(std::string_view text);
[[nodiscard]] bool StartsAt(std::string_view part, std::string_view text, std::size_t index);
[[nodiscard]] std::vector<std::string> SplitAll(std::string_view text, char c);
// Head and tail around the first `c`; without it the head is the whole text.
void SplitOnce(std::string_view text, char c, std::string& head, std::string& tail);

// A page text as lines (CR LF, LF or a lone CR end a line) and back (CR LF after each line).
[[nodiscard]] std::vector<std::string> TextToLines(std::string_view text);
[[nodiscard]] std::string LinesToText(const std::vector<std::string>& lines);

}  // namespace tessaly
