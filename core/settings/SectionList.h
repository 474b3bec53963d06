#pragma once
// The in-memory form of a settings file: sections in file order, each with its raw lines.
// Section names and keys compare without regard to case. Lookups are built for big files
// (index files with thousands of sections and keys): a hit on the section found last costs one
// comparison, any other section is found through a hash index, and the keys of a long section
// get a hash index of their own that is kept up to date on appends.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The key of a line: the text before its first "="; false when the line has no "=".
bool LineKey(std::string_view line, std::string_view& key);

// One section: its name and raw lines. The lines live one after another in one text buffer
// (no allocation per line, and a lookup touches few cache lines), addressed by offset and
// length; a replaced line that does not fit in place is appended and the buffer is compacted
// when more than half of it is stale.
class TSettingsSection {
public:
    explicit TSettingsSection(std::string name) : name_(std::move(name)) {}

    [[nodiscard]] const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    [[nodiscard]] std::size_t Count() const { return refs_.size(); }
    [[nodiscard]] bool Empty() const { return refs_.empty(); }
    [[nodiscard]] std::string_view Line(std::size_t index) const {
        const LineRef& r = refs_[index];
        return std::string_view(text_).substr(r.offset, r.length);
    }
    [[nodiscard]] std::vector<std::string> Lines() const;
    [[nodiscard]] bool SameLines(const std::vector<std::string>& lines) const;

    // The index of the first line whose key equals `key` without regard to case, or -1.
    [[nodiscard]] int FindKey(std::string_view key) const { return FindKeyLine(key).first; }
    // The same with the line itself (empty when missing).
    [[nodiscard]] std::pair<int, std::string_view> FindKeyLine(std::string_view key) const;

    void Append(std::string_view line);
    void SetLine(std::size_t index, std::string_view line);
    void Erase(std::size_t index);
    void Assign(const std::vector<std::string>& lines);
    void Clear();

private:
    struct LineRef {
        std::uint32_t offset;
        std::uint32_t length;
    };
    // Key index slot: upper hash bits, line index + 1 (0: free) and where the line is, so a
    // lookup reads the slot and then the line text, nothing else.
    struct Slot {
        std::uint32_t hash;
        std::uint32_t line;
        std::uint32_t offset;
        std::uint32_t length;
    };
    LineRef Store(std::string_view line);
    void Compact();
    void BuildIndex() const;
    // Adds line `index` to the key index unless its key is already there.
    void IndexLine(std::size_t index) const;
    void DropIndex() const;
    [[nodiscard]] bool SlotMatches(const Slot& slot, std::string_view key) const;

    std::string name_;
    std::string text_;
    std::vector<LineRef> refs_;
    std::size_t stale_ = 0;  // bytes of text_ no line refers to any more
    mutable std::vector<Slot> slots_;
    mutable std::size_t indexed_ = 0;
    mutable bool indexValid_ = false;
};

class TSectionList {
public:
    [[nodiscard]] int Count() const { return static_cast<int>(sections_.size()); }
    [[nodiscard]] TSettingsSection& At(int index) {
        return sections_[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] const TSettingsSection& At(int index) const {
        return sections_[static_cast<std::size_t>(index)];
    }

    // Searches for a section by name starting at `start` and continuing at the beginning after
    // the end, through all sections once; on a hit `start` becomes the index found. -1 if absent.
    [[nodiscard]] int Find(std::string_view name, int& start) const;
    // The same with the list's own search start.
    [[nodiscard]] int IndexOf(std::string_view name) const { return Find(name, lastHit_); }

    int Add(std::string name);
    void Delete(int index);
    void Rename(int index, std::string name);
    void Clear();
    // Replaces the section at `index` by `section`.
    void Replace(int index, TSettingsSection section);

private:
    void RebuildIndex() const;

    // Held by value, side by side: a lookup reaches the section without another indirection.
    // References from At() are valid until the next Add.
    std::vector<TSettingsSection> sections_;
    mutable int lastHit_ = 0;
    // Open-addressing table of section indexes by folded name: upper half of the name's hash
    // and index + 1 (0: free). Names are unique in a loaded file; only a rename can create
    // duplicates, and then lookups fall back to the circular scan, whose answer depends on where
    // it starts.
    mutable std::vector<std::uint64_t> index_;
    mutable std::size_t indexed_ = 0;
    // Adds section `i` unless its name is there already (then duplicates exist).
    void IndexSection(std::size_t i) const;
    mutable bool indexDirty_ = false;
    mutable bool mayHaveDuplicates_ = false;
};

}  // namespace tessaly
