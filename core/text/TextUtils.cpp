#include "text/TextUtils.h"

#include <algorithm>
#include <cstring>

namespace tessaly {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Byte offset of `part` in `text` from `from`, without regard to case; npos when absent. The
// candidates for the first character are found with memchr, one search per letter case, each
// search moving forward only.
std::size_t FindNoCase(std::string_view text, std::string_view part, std::size_t from) {
    if (part.empty()) return from <= text.size() ? from : std::string_view::npos;
    if (part.size() > text.size() || from > text.size() - part.size())
        return std::string_view::npos;
    const char* data = text.data();
    const std::size_t end = text.size() - part.size() + 1;  // candidates lie before it
    const char upper = UpCase(part[0]);
    const char lower = static_cast<char>(upper >= 'A' && upper <= 'Z' ? upper - 'A' + 'a' : upper);
    auto next = [&](char c, std::size_t at) -> std::size_t {
        if (at >= end) return end;
        const void* hit = std::memchr(data + at, c, end - at);
        return hit == nullptr ? end
                              : static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    };
    std::size_t nextUpper = next(upper, from);
    std::size_t nextLower = lower == upper ? end : next(lower, from);
    for (;;) {
        const std::size_t i = std::min(nextUpper, nextLower);
        if (i >= end) return std::string_view::npos;
        std::size_t k = 1;
        while (k < part.size() && UpCase(data[i + k]) == UpCase(part[k])) ++k;
        if (k == part.size()) return i;
        if (i == nextUpper) nextUpper = next(upper, i + 1);
        if (i == nextLower) nextLower = next(lower, i + 1);
    }
}

}  // namespace

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpCase(c);
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowCase(c);
    return out;
}

bool ContainsText(std::string_view part, std::string_view text) {
    return FindNoCase(text, part, 0) != std::string_view::npos;
}

bool ContainsStr(std::string_view part, std::string_view text) {
    return text.find(part) != std::string_view::npos;
}

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(UpCase(a[i]));
        auto y = static_cast<unsigned char>(UpCase(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

bool StartsText(std::string_view prefix, std::string_view text) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view suffix, std::string_view text) {
    return text.size() >= suffix.size() &&
           SameText(text.substr(text.size() - suffix.size()), suffix);
}

bool StartsStr(std::string_view prefix, std::string_view text) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string ReplaceText(std::string_view text, std::string_view search,
                        std::string_view replacement) {
    if (search.empty()) return std::string(text);
    std::string out;
    std::size_t i = 0;
    for (std::size_t hit; (hit = FindNoCase(text, search, i)) != std::string_view::npos;
         i = hit + search.size()) {
        out.append(text.substr(i, hit - i)).append(replacement);
    }
    out.append(text.substr(i));
    return out;
}

std::string ReplaceAllStr(std::string_view text, std::string_view search,
                          std::string_view replacement) {
    if (search.empty()) return std::string(text);
    std::string out;
    std::size_t i = 0;
    for (std::size_t hit; (hit = text.find(search, i)) != std::string_view::npos;
         i = hit + search.size()) {
        out.append(text.substr(i, hit - i)).append(replacement);
    }
    out.append(text.substr(i));
    return out;
}

std::string ReplaceChar(std::string_view text, char character, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == character) {
            out.append(replacement);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string SlashToBackslash(std::string_view text) {
    return ReplaceChar(text, '/', "\\");
}
std::string BackslashToSlash(std::string_view text) {
    return ReplaceChar(text, '\\', "/");
}

bool IsAllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsDottedNumber(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

std::string ExtractFileName(std::string_view path) {
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    std::string name = ExtractFileName(path);
    auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string FileNameWithoutExtension(std::string_view path) {
    std::string name = ExtractFileName(path);
    std::string ext = ExtractFileExt(name);
    if (!ext.empty()) name.erase(name.find(ext), ext.size());
    return name;
}

void SplitFirst(std::string& text, char character, std::string& head) {
    auto at = text.find(character);
    if (at == std::string::npos) {
        head = std::move(text);
        text.clear();
        return;
    }
    head = text.substr(0, at);
    text.erase(0, at + 1);
}

void SplitToList(std::string_view text, char character, std::vector<std::string>& list) {
    list.clear();
    std::string rest(text);
    std::string head;
    while (!rest.empty()) {
        SplitFirst(rest, character, head);
        if (head.empty()) break;
        list.push_back(head);
    }
}

char LastChar(std::string_view text) {
    return text.empty() ? '\0' : text.back();
}

void DropLastChar(std::string& text) {
    if (!text.empty()) text.pop_back();
}

std::size_t PosFrom(char c, std::string_view text, std::size_t start) {
    if (start < 1 || start > text.size()) return 0;
    auto at = text.find(c, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t PosFrom(std::string_view part, std::string_view text, std::size_t start,
                    bool ignoreCase) {
    if (start < 1 || start > text.size() || part.empty()) return 0;
    auto at = ignoreCase ? FindNoCase(text, part, start - 1) : text.find(part, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t LastPos(char c, std::string_view text) {
    auto at = text.rfind(c);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string CopyFrom(std::string_view text, std::size_t index) {
    if (index < 1 || index > text.size()) return {};
    return std::string(text.substr(index - 1));
}

std::string CopyRange(std::string_view text, std::size_t index, std::size_t count) {
    if (index < 1 || index > text.size()) return {};
    return std::string(text.substr(index - 1, count));
}

std::string CopyUpTo(std::string_view text, std::size_t index) {
    if (index <= 1) return {};
    return std::string(text.substr(0, std::min(index - 1, text.size())));
}

std::string CopyFirst(std::string_view text, std::size_t count) {
    return std::string(text.substr(0, count));
}

std::string TrimLeft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) {
    std::size_t i = 0, n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    while (n > i && IsBlank(text[n - 1])) --n;
    return std::string(text.substr(i, n - i));
}

bool StartsAt(std::string_view part, std::string_view text, std::size_t index) {
    if (index < 1 || index > text.size()) return false;
    return text.substr(index - 1, part.size()) == part;
}

std::vector<std::string> SplitAll(std::string_view text, char c) {
    std::vector<std::string> out;
    std::size_t i = 0;
    for (;;) {
        auto at = text.find(c, i);
        if (at == std::string_view::npos) {
            out.emplace_back(text.substr(i));
            return out;
        }
        out.emplace_back(text.substr(i, at - i));
        i = at + 1;
    }
}

void SplitOnce(std::string_view text, char c, std::string& head, std::string& tail) {
    auto at = text.find(c);
    if (at == std::string_view::npos) {
        head = std::string(text);
        tail.clear();
        return;
    }
    head = std::string(text.substr(0, at));
    tail = std::string(text.substr(at + 1));
}

std::vector<std::string> TextToLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t j = text.find_first_of("\r\n", i);
        if (j == std::string_view::npos) {
            lines.emplace_back(text.substr(i));
            break;
        }
        lines.emplace_back(text.substr(i, j - i));
        i = j + (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::string LinesToText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text.append(line).append("\r\n");
    return text;
}

}  // namespace tessaly
