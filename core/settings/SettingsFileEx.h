#pragma once
// TSettingsFileEx: the settings file engine with byte data, hexadecimal numbers, fonts,
// renaming, whole-section writes and numbered lists ("Count" plus keys "1" to Count).

#include <cstdint>
#include <stdexcept>

#include "settings/CommaText.h"
#include "settings/SettingsFile.h"

namespace tessaly {

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSettingsFileEx : public TSettingsFile {
public:
    using TSettingsFile::TSettingsFile;

    // Decodes the value as pairs of hexadecimal digits into `buffer`; returns the number of
    // bytes stored (at most `size` and half the text length), 0 when a pair is not hexadecimal.
    virtual std::size_t ReadByteData(std::string_view section, std::string_view key,
                                     std::uint8_t* buffer, std::size_t size) const;
    // Throws EConvertError when the value is not hexadecimal.
    [[nodiscard]] virtual std::uint32_t ReadHexInteger(std::string_view section,
                                                       std::string_view key,
                                                       std::uint32_t defaultValue) const;
    virtual void ReadFont(std::string_view section, std::string_view key, TFontInfo& font) const;
    virtual void RenameKey(std::string_view section, std::string_view oldKey,
                           std::string_view newKey);
    virtual void RenameSection(std::string_view oldName, std::string_view newName);
    virtual void WriteByteData(std::string_view section, std::string_view key,
                               const std::uint8_t* buffer, std::size_t size);
    virtual void WriteHexInteger(std::string_view section, std::string_view key,
                                 std::uint32_t value);
    virtual void WriteFont(std::string_view section, std::string_view key, const TFontInfo& font);
    // Rewrites the list as "Count" and "1" .. Count; an unchanged list leaves the file unchanged.
    virtual void WriteNumberedList(std::string_view section, const std::vector<std::string>& lines);
    // Replaces the raw lines of a section; changes nothing when they are equal.
    virtual void WriteSectionValues(std::string_view section,
                                    const std::vector<std::string>& lines);

    // Appends the values of "1" .. Count; a missing numbered key gives `defaultValue`.
    void ReadNumberedList(std::string_view section, std::vector<std::string>& lines,
                          std::string_view defaultValue) const;

private:
    // "Count" of a numbered list, bounded by the lines the section really has.
    [[nodiscard]] int NumberedCount(std::string_view section) const;
};

}  // namespace tessaly
