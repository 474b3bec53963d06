#pragma once
// The text of an HTML page as UTF-8: character references ("&eacute;", "&#233;", "&#xE9;")
// decoded and the page's bytes read in its own character set. Saved pages declare their
// character set in a meta tag; pages that do not, or that declare ISO-8859-1 but hold UTF-8
// (as the service's later pages did), are told apart by whether their bytes are valid UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

enum class TPageCharset { Utf8, Windows1252 };

// The character set to read `page` in: UTF-8 when it declares UTF-8 or when its bytes are valid
// UTF-8, else Windows-1252 (the superset of ISO-8859-1 that browsers read such pages in).
[[nodiscard]] TPageCharset CharsetOfPage(std::string_view page);

[[nodiscard]] bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of a code point (an invalid one as U+FFFD).
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Appends `text` (a run of an HTML page outside tags) decoded: references replaced by their
// characters, the bytes converted to UTF-8 from `charset` (invalid UTF-8 as U+FFFD), a
// non-breaking space as a plain blank when `plainBlanks`. An unknown reference stays as it is.
void AppendHtmlText(std::string& out, std::string_view text, TPageCharset charset,
                    bool plainBlanks = false);

// The character set of a page, found (CharsetOfPage) only when a text of it first holds a byte
// above 0x7F: plain ASCII reads the same in both, and most pages hold nothing else.
class TLazyCharset {
public:
    explicit TLazyCharset(std::string_view page) : page_(page) {}
    [[nodiscard]] TPageCharset Get() {
        if (!known_) known_ = CharsetOfPage(page_);
        return *known_;
    }

private:
    std::string_view page_;
    std::optional<TPageCharset> known_;
};

// The same, the page's character set looked for only when a byte needs it.
void AppendHtmlText(std::string& out, std::string_view text, TLazyCharset& charset,
                    bool plainBlanks = false);

// `text` with the characters "&", "<", ">" and '"' written as references.
[[nodiscard]] std::string HtmlEscape(std::string_view text);

}  // namespace tessaly
