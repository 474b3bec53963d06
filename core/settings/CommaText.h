#pragma once
// TCommaText: a list of texts read and written as one comma-separated text. Entries that hold
// blanks, commas, quotes or control characters are written in double quotes with inner quotes
// doubled; reading accepts that form and treats blanks outside quotes as separators too.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class TCommaText {
public:
    TCommaText() = default;
    explicit TCommaText(std::string_view text) { SetText(text); }
    virtual ~TCommaText() = default;
    TCommaText(const TCommaText&) = default;
    TCommaText& operator=(const TCommaText&) = default;

    [[nodiscard]] std::string Text() const;
    void SetText(std::string_view text);
    [[nodiscard]] const std::vector<std::string>& Items() const { return items_; }
    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }

    // Element access. Reading past the end gives an empty text (-1, false, 0); setting past the
    // end first pads the list with empty elements.
    [[nodiscard]] std::string AsText(int index) const;
    [[nodiscard]] int AsInteger(int index) const;          // -1 when not a number
    [[nodiscard]] bool AsBoolean(int index) const;         // only "1" is true
    [[nodiscard]] std::uint32_t AsColor(int index) const;  // "$hex", a colour name, else 0
    void SetText(int index, std::string_view value);
    void SetInteger(int index, int value);
    void SetBoolean(int index, bool value);         // "1" or an empty element
    void SetColor(int index, std::uint32_t color);  // a colour name when there is one

private:
    std::vector<std::string> items_;
};

// A font as the settings files store it.
struct TFontInfo {
    std::string name = "MS Sans Serif";
    int size = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t color = 0;  // 0x00BBGGRR, or a system colour (0x80000000 | index)
    int charset = 1;
    int pitch = 0;
    bool operator==(const TFontInfo&) const = default;
};

// The comma-separated form of a font: name, size, bold, italic, underline, strike-out (each
// "1" or empty), colour, character set, pitch.
class TCommaTextFont : public TCommaText {
public:
    using TCommaText::TCommaText;
    void ReadFont(TFontInfo& font) const;
    void WriteFont(const TFontInfo& font);
};

// Colour names and values ("clRed" = 0x000000FF ...); nullopt-like: false when unknown.
bool ColorFromName(std::string_view name, std::uint32_t& color);
[[nodiscard]] std::string ColorToText(std::uint32_t color);

}  // namespace tessaly
