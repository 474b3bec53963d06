#pragma once
// TSettingsFile: a whole settings file of [sections] and key=value lines, read into memory,
// answered from memory and written back only when something changed. Every settings file of
// the program (the options file, the Files and Photos index files, group list files) goes
// through it.
//
// Reading: lines end with CR LF or LF (a lone CR is dropped); a Ctrl-Z ends the file;
// characters after the 255th of a line are dropped; empty lines and lines before the first
// section are ignored; a later section with the name of an earlier one (in any letter case) is
// merged into it by dropping the later one's lines, and the file then counts as changed.
// Writing: every non-empty section as "[name]", its lines and an empty line, with CR LF. The file
// is replaced atomically: a failed write leaves the old file and the changed flag set.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SectionList.h"
#include "text/DateTime.h"

namespace tessaly {

class TSettingsFile {
public:
    static constexpr std::size_t kMaxLine = 255;
    static constexpr std::size_t kBufferSize = 28672;

    // Loads the file when the name is not empty and the file exists. Throws EFileError when an
    // existing file cannot be read.
    explicit TSettingsFile(std::string fileName = {});
    // Writes the file if it changed. A destructor cannot report a failure: callers that must
    // know call UpdateFile first.
    virtual ~TSettingsFile();
    TSettingsFile(const TSettingsFile&) = delete;
    TSettingsFile& operator=(const TSettingsFile&) = delete;

    // Asked for each duplicate section found on load: the name, the lines kept and the lines
    // dropped. Answering false keeps the later section instead.
    std::function<bool(const std::string& name, const std::vector<std::string>& keep,
                       const std::vector<std::string>& drop)>
        OnDuplicateSection;

    // Switches, all off by default.
    bool ClearBeforeSectionRead = false;  // ReadSectionValues clears the destination first
    bool DropCommentLines = false;        // drop ";" lines on load; skip ";" keys when listing
    bool DropLinesWithoutEquals = false;
    bool TrimAroundEquals = false;      // blanks and tabs right before and after the first "="
    bool StripValueQuotes = false;      // a pair of matching quotes around the whole value
    bool TrimTrailingControls = false;  // trailing characters below "!"

    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    // Writes the current file if it changed, clears everything and loads the new file.
    void SetFileName(std::string fileName);
    [[nodiscard]] bool Changed() const { return changed_; }
    [[nodiscard]] const TSectionList& Sections() const { return sections_; }

    virtual void LoadFromFile(const std::string& fileName);
    // Parses text as if it were the content of a file (appending, as LoadFromFile does).
    void LoadFromText(std::string_view text);
    virtual void DiscardSections();
    virtual void DeleteKey(std::string_view section, std::string_view key);
    virtual void EraseSection(std::string_view section);
    virtual void UpdateFile();
    [[nodiscard]] virtual bool SectionExists(std::string_view section) const;
    [[nodiscard]] virtual std::string ReadLongString(std::string_view section, std::string_view key,
                                                     std::string_view defaultValue) const;
    virtual void GetStrings(std::vector<std::string>& lines) const;
    [[nodiscard]] virtual bool ReadBool(std::string_view section, std::string_view key,
                                        bool defaultValue) const;
    [[nodiscard]] virtual TDateTime ReadDate(std::string_view section, std::string_view key,
                                             TDateTime d) const;
    [[nodiscard]] virtual TDateTime ReadDateTime(std::string_view section, std::string_view key,
                                                 TDateTime d) const;
    [[nodiscard]] virtual double ReadFloat(std::string_view section, std::string_view key,
                                           double d) const;
    [[nodiscard]] virtual int ReadInteger(std::string_view section, std::string_view key,
                                          int defaultValue) const;
    virtual void ReadSection(std::string_view section, std::vector<std::string>& names) const;
    virtual void ReadSections(std::vector<std::string>& names) const;
    virtual void ReadSectionValues(std::string_view section, std::vector<std::string>& lines) const;
    [[nodiscard]] virtual std::string ReadString(std::string_view section, std::string_view key,
                                                 std::string_view defaultValue) const;
    [[nodiscard]] virtual TDateTime ReadTime(std::string_view section, std::string_view key,
                                             TDateTime d) const;
    [[nodiscard]] virtual bool HasSection(std::string_view section) const {
        return SectionExists(section);
    }
    virtual void Flush() { UpdateFile(); }
    [[nodiscard]] virtual bool ValueExists(std::string_view section, std::string_view key) const;
    virtual void WriteLongString(std::string_view section, std::string_view key,
                                 std::string_view value);
    virtual void WriteBool(std::string_view section, std::string_view key, bool value);
    virtual void WriteDate(std::string_view section, std::string_view key, TDateTime value);
    virtual void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);
    virtual void WriteFloat(std::string_view section, std::string_view key, double value);
    virtual void WriteInteger(std::string_view section, std::string_view key, int value);
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value);
    virtual void WriteTime(std::string_view section, std::string_view key, TDateTime value);

    // The whole content exactly as UpdateFile writes it.
    [[nodiscard]] std::string ContentText() const;

protected:
    // The section, or -1 (reads).
    int FindSection(std::string_view section) const;
    // The section, created at the end when missing (writes).
    TSettingsSection& SectionForWrite(std::string_view section);
    // Lookup of a key line: the section and the line index (-1 when missing).
    struct KeyRef {
        int section = -1;
        int line = -1;
    };
    [[nodiscard]] KeyRef FindKey(std::string_view section, std::string_view key) const;
    void WriteLine(std::string_view section, std::string_view key, std::string line);
    void MarkChanged() { changed_ = true; }
    void SetChanged(bool changed) { changed_ = changed; }
    TSectionList& MutableSections() { return sections_; }

private:
    void ParseText(std::string_view text);
    void ResolveDuplicate(int keptIndex, TSettingsSection later);

    TSectionList sections_;
    std::string fileName_;
    bool changed_ = false;
    mutable int lastSection_ = 0;
};

// Integer text as the settings files know it: optional blanks and sign, decimal digits, or
// "$" (or "0x") and hexadecimal digits, within 32 bits.
[[nodiscard]] std::optional<int> TextToInt(std::string_view text);

}  // namespace tessaly
