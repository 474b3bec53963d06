#include "text/MessageReader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/HtmlText.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

using namespace std::string_view_literals;

// A field longer than this is no header value: the rest of a page whose row never ends.
constexpr std::size_t kLongestField = 2000;

bool IsTagStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The bytes that end a tag's name: blanks, "/" and ">".
constexpr std::array<bool, 256> kEndsTagName = [] {
    std::array<bool, 256> table{};
    for (const char c : {' ', '\t', '\r', '\n', '\f', '/', '>'})
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// One piece of a page: a run of text, or a tag with its lower-case name ("/td" for an end
// tag; a name too long for any tag the reader knows is "#long"). Comments, and the contents of
// scripts and styles, are skipped.
struct TToken {
    bool tag = false;
    std::string_view text;
    std::string_view name;
};

// Cuts a page into tokens in one pass: every search moves forward from where the last one
// ended, and a search that finds nothing ends the page, so no byte is looked at twice.
class TPageTokens {
public:
    explicit TPageTokens(std::string_view page) : page_(page) {}

    bool Next(TToken& token) {
        while (pos_ < page_.size()) {
            if (page_[pos_] == '<' && pos_ + 1 < page_.size() && IsTagStart(page_[pos_ + 1])) {
                if (page_[pos_ + 1] == '!' && pos_ + 3 < page_.size() && page_[pos_ + 2] == '-' &&
                    page_[pos_ + 3] == '-') {
                    const std::size_t end = page_.find("-->", pos_ + 4);
                    pos_ = end == std::string_view::npos ? page_.size() : end + 3;
                    continue;
                }
                const std::size_t close = page_.find('>', pos_ + 1);
                if (close == std::string_view::npos) break;  // the rest is text
                token.tag = true;
                token.text = page_.substr(pos_, close + 1 - pos_);
                std::size_t length = 0;
                std::size_t i = pos_ + 1;
                if (page_[i] == '/') name_[length++] = page_[i++];
                for (; i < close && !kEndsTagName[static_cast<unsigned char>(page_[i])]; ++i) {
                    if (length == sizeof name_) break;
                    name_[length++] = LowCase(page_[i]);
                }
                const bool tooLong =
                    length == sizeof name_ && i < close && !IsBlank(page_[i]) && page_[i] != '/';
                token.name = tooLong ? "#long"sv : std::string_view(name_, length);
                pos_ = close + 1;
                if (token.name == "script"sv || token.name == "style"sv) SkipRawText(token.name);
                return true;
            }
            // The text runs to the next "<" that starts a tag; other "<" are text.
            std::size_t end = pos_ + 1;
            for (;;) {
                const void* next = std::memchr(page_.data() + end, '<', page_.size() - end);
                if (next == nullptr) {
                    end = page_.size();
                    break;
                }
                end = static_cast<std::size_t>(static_cast<const char*>(next) - page_.data());
                if (end + 1 < page_.size() && IsTagStart(page_[end + 1])) break;
                ++end;
            }
            token.tag = false;
            token.text = page_.substr(pos_, end - pos_);
            pos_ = end;
            return true;
        }
        if (pos_ < page_.size()) {
            token.tag = false;
            token.text = page_.substr(pos_);
            pos_ = page_.size();
            return true;
        }
        return false;
    }

private:
    void SkipRawText(std::string_view name) {
        const std::size_t end = PosFrom("</" + std::string(name), page_, pos_ + 1, true);
        pos_ = end == 0 ? page_.size() : end - 1;
    }

    std::string_view page_;
    std::size_t pos_ = 0;
    char name_[16] = {};  // the lower-case name of the last tag
};

// Blanks (non-breaking ones too, already plain) collapsed to one, none at the ends.
std::string Collapse(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i == start) break;
        if (!out.empty()) out.push_back(' ');
        out.append(text.data() + start, i - start);
    }
    return out;
}

// Lines ended by "\n" only, trailing blanks of each line and blank lines at both ends removed.
// A carriage return before a line feed is dropped, one alone ends a line. One pass.
std::string CleanLines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size() + 1);
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start <= n) {
        std::size_t end = start;
        while (end < n && text[end] != '\n' && text[end] != '\r') ++end;
        std::size_t last = end;
        while (last > start && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
        if (!lines.empty() || last > start) {
            lines.append(text.data() + start, last - start);
            lines.push_back('\n');
        }
        if (end + 1 < n && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    while (lines.size() >= 2 && lines[lines.size() - 1] == '\n' && lines[lines.size() - 2] == '\n')
        lines.pop_back();
    return lines;
}

bool EndsField(std::string_view tag) {
    static constexpr std::string_view kEnds[] = {"/td",    "/tr", "td",  "tr",  "th",   "/th",
                                                 "br",     "p",   "/p",  "div", "/div", "table",
                                                 "/table", "hr",  "pre", "li",  "/li"};
    for (const std::string_view e : kEnds) {
        if (tag == e) return true;
    }
    return false;
}

bool BreaksLine(std::string_view tag) {
    static constexpr std::string_view kBreaks[] = {
        "br",         "p",           "/p", "div", "/div", "tr",  "/tr", "li", "/table",
        "blockquote", "/blockquote", "h1", "h2",  "h3",   "/h1", "/h2", "/h3"};
    for (const std::string_view e : kBreaks) {
        if (tag == e) return true;
    }
    return false;
}

// The number in "Message 123 of 456" or "Message 123 does not exist"; 0 when `text` has none.
std::int64_t MessageNumberIn(std::string_view text, bool& purged) {
    // Most texts of a page hold no digit, so no number: those need no search for the word.
    if (std::none_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    std::size_t at = PosFrom("message", text, 1, true);
    while (at != 0) {
        std::size_t i = at - 1 + 7;
        while (i < text.size() && (text[i] == ':' || IsBlank(text[i]))) ++i;
        std::size_t j = i;
        std::int64_t n = 0;
        while (j < text.size() && j - i < 12 && text[j] >= '0' && text[j] <= '9')
            n = n * 10 + (text[j++] - '0');
        if (j > i) {
            const std::string_view rest = text.substr(j);
            if (StartsText(" of ", rest)) return n;
            if (StartsText(" does not exist", rest)) {
                purged = true;
                return n;
            }
        }
        at = PosFrom("message", text, at + 7, true);
    }
    return 0;
}

enum class TField { None, Author, Date, Subject };

struct TLabel {
    std::string_view text;  // begins with a capital, which a text is checked against first
    TField field;
};
constexpr TLabel kLabels[] = {{"From:", TField::Author},
                              {"Date:", TField::Date},
                              {"Subject:", TField::Subject},
                              {"Author:", TField::Author},
                              {"Posted by:", TField::Author}};

// The state of one reading: which header row is being read, where the text is.
class TReading {
public:
    explicit TReading(std::string_view page) : charset_(page), pageSize_(page.size()) {}

    void Tag(std::string_view name) {
        if (field_ != TField::None && EndsField(name)) EndField();
        if (inPre_) {
            if (name == "/pre"sv) {
                inPre_ = false;
                havePre_ = true;
            } else if (name == "br"sv) {
                pre_.push_back('\n');
            }
            return;
        }
        if (name == "title"sv) inTitle_ = true;
        if (name == "/title"sv) inTitle_ = false;
        if (name == "pre"sv && !havePre_) {
            // The text is most of a page: room for it at once rather than by doubling.
            pre_.reserve(std::min<std::size_t>(pageSize_, std::size_t{1} << 20));
            inPre_ = true;
            fallbackOpen_ = false;
            fallbackDone_ = true;
            return;
        }
        if (fallbackOpen_) {
            if ((name == "hr"sv && !Collapse(fallback_).empty()) || name == "/body"sv) {
                fallbackOpen_ = false;
                fallbackDone_ = true;
            } else if (BreaksLine(name)) {
                fallback_.push_back('\n');
            }
        } else if (name == "/table"sv && sawField_ && !fallbackDone_ && field_ == TField::None) {
            fallbackOpen_ = true;  // the header rows are over: the text may follow
        }
    }

    void Text(std::string_view raw) {
        if (inPre_) {
            AppendHtmlText(pre_, raw, charset_, true);
            return;
        }
        if (inTitle_) {
            if (number_ == 0 && raw.size() < 1000) number_ = MessageNumberIn(raw, purged_);
            return;
        }
        if (field_ != TField::None) {
            if (value_.size() < kLongestField)
                AppendHtmlText(value_, raw.substr(0, kLongestField), charset_, true);
            return;
        }
        if (fallbackOpen_) {
            // Source line breaks are blanks, as a browser shows them.
            std::string text;
            AppendHtmlText(text, raw, charset_, true);
            for (char& c : text) {
                if (c == '\r' || c == '\n' || c == '\t') c = ' ';
            }
            fallback_ += text;
            return;
        }
        if (havePre_) return;  // the header rows come before the text
        std::size_t start = 0;
        while (start < raw.size() && IsBlank(raw[start])) ++start;
        if (start == raw.size()) return;
        const std::string_view trimmed = raw.substr(start, 200);
        if (number_ == 0 || !purged_) {
            const std::int64_t n = MessageNumberIn(trimmed, purged_);
            if (number_ == 0) number_ = n;
        }
        for (const TLabel& label : kLabels) {
            if (UpCase(trimmed[0]) != label.text[0] || !StartsText(label.text, trimmed)) continue;
            if (Taken(label.field)) return;  // the first row of a kind counts
            field_ = label.field;
            value_.clear();
            const std::string_view rest = raw.substr(start + label.text.size());
            AppendHtmlText(value_, rest.substr(0, kLongestField), charset_, true);
            return;
        }
    }

    TSavedMessage Finish(TBodyUse use) {
        if (field_ != TField::None) EndField();
        TSavedMessage m;
        m.number = number_;
        m.purged = purged_;
        m.author = author_;
        m.subject = subject_;
        m.dateText = date_;
        if (date_) m.date = ParseMessageDate(*date_);
        std::string body;
        if ((havePre_ || inPre_) && use == TBodyUse::Words) {
            body = std::move(pre_);
        } else if (havePre_ || inPre_) {
            // A line break right after <pre> is not part of the text.
            std::string_view text = pre_;
            if (!text.empty() && text[0] == '\r') text.remove_prefix(1);
            if (!text.empty() && text[0] == '\n') text.remove_prefix(1);
            body = CleanLines(text);
        } else if (!Collapse(fallback_).empty()) {
            std::string lines;
            for (const std::string& line : SplitAll(fallback_, '\n')) {
                lines += Collapse(line);
                lines.push_back('\n');
            }
            body = CleanLines(lines);
            // Paragraph breaks give at most one empty line.
            std::string out;
            for (char c : body) {
                if (c == '\n' && out.size() >= 2 && out[out.size() - 1] == '\n' &&
                    out[out.size() - 2] == '\n')
                    continue;
                out.push_back(c);
            }
            body = out;
        }
        if (!body.empty() && !purged_) m.body = std::move(body);
        return m;
    }

private:
    bool Taken(TField field) const {
        switch (field) {
            case TField::Author:
                return author_.has_value();
            case TField::Date:
                return date_.has_value();
            case TField::Subject:
                return subject_.has_value();
            case TField::None:
                break;
        }
        return false;
    }

    void EndField() {
        std::string value = Collapse(value_);
        if (!value.empty()) {
            sawField_ = true;
            if (field_ == TField::Author) author_ = std::move(value);
            if (field_ == TField::Date) date_ = std::move(value);
            if (field_ == TField::Subject) subject_ = std::move(value);
        }
        field_ = TField::None;
        value_.clear();
    }

    TLazyCharset charset_;  // most pages are plain ASCII and never need it
    std::size_t pageSize_;
    TField field_ = TField::None;
    std::string value_;
    std::optional<std::string> author_, date_, subject_;
    bool sawField_ = false;
    bool inTitle_ = false;
    bool inPre_ = false, havePre_ = false;
    std::string pre_;
    bool fallbackOpen_ = false, fallbackDone_ = false;
    std::string fallback_;
    std::int64_t number_ = 0;
    bool purged_ = false;
};

}  // namespace

TSavedMessage ReadSavedMessage(std::string_view page, TBodyUse use) {
    TReading reading(page);
    TPageTokens tokens(page);
    TToken token;
    while (tokens.Next(token)) {
        if (token.tag)
            reading.Tag(token.name);
        else
            reading.Text(token.text);
    }
    return reading.Finish(use);
}

std::optional<std::int64_t> MessageNumberOfFile(std::string_view fileName) {
    if (!EndsText(".html", fileName)) return std::nullopt;
    const std::string_view stem = fileName.substr(0, fileName.size() - 5);
    std::size_t start = stem.size();
    while (start > 0 && stem[start - 1] >= '0' && stem[start - 1] <= '9') --start;
    const std::string_view digits = stem.substr(start);
    // Seven digits at least (numbers are padded), and either the whole name or after the "_"
    // that ends a date prefix.
    if (digits.size() < 7 || digits.size() > 12) return std::nullopt;
    if (start != 0 && stem[start - 1] != '_') return std::nullopt;
    std::int64_t n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

}  // namespace tessaly
