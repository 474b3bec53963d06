#include "settings/CommaText.h"

#include <array>
#include <cstdio>

#include "settings/SettingsFile.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

struct NamedColor {
    const char* name;
    std::uint32_t value;
};

constexpr std::array<NamedColor, 20> kColors = {{
    {"clBlack", 0x000000},     {"clMaroon", 0x000080},       {"clGreen", 0x008000},
    {"clOlive", 0x008080},     {"clNavy", 0x800000},         {"clPurple", 0x800080},
    {"clTeal", 0x808000},      {"clGray", 0x808080},         {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},       {"clLime", 0x00FF00},         {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF},      {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},     {"clWindowText", 0x80000008}, {"clWindow", 0x80000005},
    {"clBtnFace", 0x8000000F}, {"clNone", 0x1FFFFFFF},
}};

bool NeedsQuotes(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') return true;
    }
    return false;
}

bool IsSpace(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

bool ColorFromName(std::string_view name, std::uint32_t& color) {
    for (const auto& c : kColors) {
        if (SameText(name, c.name)) {
            color = c.value;
            return true;
        }
    }
    return false;
}

std::string ColorToText(std::uint32_t color) {
    for (const auto& c : kColors) {
        if (c.value == color) return c.name;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", color);
    return buf;
}

std::string TCommaText::Text() const {
    std::string out;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) out.push_back(',');
        const std::string& s = items_[i];
        if (!NeedsQuotes(s)) {
            out += s;
            continue;
        }
        out.push_back('"');
        for (char c : s) {
            if (c == '"') out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }
    return out;
}

void TCommaText::SetText(std::string_view text) {
    items_.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsSpace(text[i])) ++i;
    while (i < n) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item.push_back(text[i++]);
            }
        } else {
            while (i < n && text[i] != ',' && !IsSpace(text[i])) item.push_back(text[i++]);
        }
        items_.push_back(std::move(item));
        while (i < n && IsSpace(text[i])) ++i;
        if (i < n && text[i] == ',') {
            ++i;
            // A trailing comma stands for one more, empty element.
            if (i == n) items_.emplace_back();
            while (i < n && IsSpace(text[i])) ++i;
        }
    }
}

std::string TCommaText::AsText(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : std::string();
}

int TCommaText::AsInteger(int index) const {
    std::string t = AsText(index);
    if (!IsAllDigits(t) && !(t.size() > 1 && t[0] == '-' && IsAllDigits(t.substr(1)))) return -1;
    return TextToInt(t).value_or(-1);
}

bool TCommaText::AsBoolean(int index) const {
    return AsText(index) == "1";
}

std::uint32_t TCommaText::AsColor(int index) const {
    std::string t = AsText(index);
    if (!t.empty() && t[0] == '$') {
        if (auto v = TextToInt(t)) return static_cast<std::uint32_t>(*v);
    }
    std::uint32_t color = 0;
    if (ColorFromName(t, color)) return color;
    return 0;
}

void TCommaText::SetText(int index, std::string_view value) {
    if (index < 0) return;
    if (index >= Count()) items_.resize(static_cast<std::size_t>(index) + 1);
    items_[static_cast<std::size_t>(index)] = std::string(value);
}

void TCommaText::SetInteger(int index, int value) {
    SetText(index, std::to_string(value));
}
void TCommaText::SetBoolean(int index, bool value) {
    SetText(index, value ? "1" : "");
}
void TCommaText::SetColor(int index, std::uint32_t color) {
    SetText(index, ColorToText(color));
}

void TCommaTextFont::ReadFont(TFontInfo& font) const {
    if (Count() == 0) return;
    if (!AsText(0).empty()) font.name = AsText(0);
    if (int size = AsInteger(1); size > 0) font.size = size;
    font.bold = AsBoolean(2);
    font.italic = AsBoolean(3);
    font.underline = AsBoolean(4);
    font.strikeOut = AsBoolean(5);
    font.color = AsColor(6);
    if (int cs = AsInteger(7); cs >= 0) font.charset = cs;
    if (int pitch = AsInteger(8); pitch >= 0) font.pitch = pitch;
}

void TCommaTextFont::WriteFont(const TFontInfo& font) {
    SetText(0, font.name);
    SetInteger(1, font.size);
    SetBoolean(2, font.bold);
    SetBoolean(3, font.italic);
    SetBoolean(4, font.underline);
    SetBoolean(5, font.strikeOut);
    SetColor(6, font.color);
    SetInteger(7, font.charset);
    SetInteger(8, font.pitch);
}

}  // namespace tessaly
