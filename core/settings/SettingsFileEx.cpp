#include "settings/SettingsFileEx.h"

#include <algorithm>
#include <cstdio>

#include "text/TextUtils.h"

namespace tessaly {
namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Hex8(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

}  // namespace

std::size_t TSettingsFileEx::ReadByteData(std::string_view section, std::string_view key,
                                          std::uint8_t* buffer, std::size_t size) const {
    std::string text = ReadLongString(section, key, "");
    std::size_t count = std::min(size, text.size() / 2);
    for (std::size_t i = 0; i < count; ++i) {
        int hi = Hex(text[2 * i]);
        int lo = Hex(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return 0;
        buffer[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return count;
}

std::uint32_t TSettingsFileEx::ReadHexInteger(std::string_view section, std::string_view key,
                                              std::uint32_t defaultValue) const {
    std::string text = ReadString(section, key, Hex8(defaultValue));
    if (text.empty() || text.size() > 8)
        throw EConvertError("'" + text + "' is not a valid hexadecimal number");
    std::uint32_t v = 0;
    for (char c : text) {
        int d = Hex(c);
        if (d < 0) throw EConvertError("'" + text + "' is not a valid hexadecimal number");
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

void TSettingsFileEx::ReadFont(std::string_view section, std::string_view key,
                               TFontInfo& font) const {
    TCommaTextFont text(ReadString(section, key, ""));
    text.ReadFont(font);
}

void TSettingsFileEx::WriteFont(std::string_view section, std::string_view key,
                                const TFontInfo& font) {
    TCommaTextFont text;
    text.WriteFont(font);
    WriteString(section, key, text.Text());
}

void TSettingsFileEx::RenameKey(std::string_view section, std::string_view oldKey,
                                std::string_view newKey) {
    if (oldKey == newKey || !ValueExists(section, oldKey)) return;
    std::string value = ReadLongString(section, oldKey, "");
    WriteLongString(section, newKey, value);
    // A new spelling of the same key has just replaced the old line; deleting the old key now
    // would delete the renamed line with it.
    if (!SameText(oldKey, newKey)) DeleteKey(section, oldKey);
}

void TSettingsFileEx::RenameSection(std::string_view oldName, std::string_view newName) {
    if (oldName == newName) return;
    int index = FindSection(oldName);
    if (index >= 0) MutableSections().Rename(index, std::string(newName));
    MarkChanged();
}

void TSettingsFileEx::WriteByteData(std::string_view section, std::string_view key,
                                    const std::uint8_t* buffer, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[buffer[i] >> 4]);
        text.push_back(kDigits[buffer[i] & 15]);
    }
    WriteLongString(section, key, text);
}

void TSettingsFileEx::WriteHexInteger(std::string_view section, std::string_view key,
                                      std::uint32_t value) {
    WriteString(section, key, Hex8(value));
}

void TSettingsFileEx::WriteNumberedList(std::string_view section,
                                        const std::vector<std::string>& lines) {
    std::vector<std::string> before;
    ReadSectionValues(section, before);
    const int oldCount = NumberedCount(section);
    WriteInteger(section, "Count", static_cast<int>(lines.size()));
    const bool wasChanged = Changed();
    for (int i = 1; i <= oldCount; ++i) DeleteKey(section, std::to_string(i));
    for (std::size_t i = 0; i < lines.size(); ++i)
        WriteString(section, std::to_string(i + 1), lines[i]);
    if (!wasChanged) {
        std::vector<std::string> after;
        ReadSectionValues(section, after);
        SetChanged(after != before);
    }
}

void TSettingsFileEx::WriteSectionValues(std::string_view section,
                                         const std::vector<std::string>& lines) {
    int index = FindSection(section);
    if (index < 0) {
        TSettingsSection& s = SectionForWrite(section);
        s.Assign(lines);
        MarkChanged();
        return;
    }
    TSettingsSection& s = MutableSections().At(index);
    if (s.Count() == lines.size()) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (s.Line(i) != lines[i]) {
                s.SetLine(i, lines[i]);
                MarkChanged();
            }
        }
        return;
    }
    s.Assign(lines);
    MarkChanged();
}

int TSettingsFileEx::NumberedCount(std::string_view section) const {
    // Every entry of a list is a line of its section, so a larger "Count" can only come from a
    // damaged or hostile file; it must not make a reader loop (or allocate) billions of times.
    const int count = ReadInteger(section, "Count", 0);
    const int index = FindSection(section);
    const int lines = index < 0 ? 0 : static_cast<int>(Sections().At(index).Count());
    return std::clamp(count, 0, lines);
}

void TSettingsFileEx::ReadNumberedList(std::string_view section, std::vector<std::string>& lines,
                                       std::string_view defaultValue) const {
    const int count = NumberedCount(section);
    for (int i = 1; i <= count; ++i)
        lines.push_back(ReadString(section, std::to_string(i), defaultValue));
}

}  // namespace tessaly
