#include "text/LineEnds.h"

namespace tessaly {
namespace {

// Whether every line of `text` already ends with CR LF (an empty text has no lines).
bool AllCrLf(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") return false;
    for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != std::string_view::npos;
         at += 2) {
        if (text[at] != '\r' || at + 1 >= text.size() || text[at + 1] != '\n') return false;
    }
    return true;
}

}  // namespace

std::string_view CrLfLines(std::string_view text, std::string& buffer) {
    if (AllCrLf(text)) return text;
    buffer.clear();
    buffer.reserve(text.size() + text.size() / 16 + 2);
    std::size_t from = 0;
    for (std::size_t at; (at = text.find_first_of("\r\n", from)) != std::string_view::npos;) {
        buffer.append(text.substr(from, at - from));
        buffer += "\r\n";
        from = at + 1;
        if (text[at] == '\r' && from < text.size() && text[from] == '\n') ++from;
    }
    if (from < text.size()) {  // the last line had no line end
        buffer.append(text.substr(from));
        buffer += "\r\n";
    }
    return buffer;
}

}  // namespace tessaly
