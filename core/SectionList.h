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
#include <unordered_map>
#include <vector>

namespace tessaly {

// The key of a line: the text before its first "="; nullopt-like empty view plus false when the
// line has no "=".
bool LineKey(std::string_view line, std::string_view& key);

class TSettingsSection {
public:
    explicit TSettingsSection(std::string name) : name_(std::move(name)) {}

    [[nodiscard]] const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }
    [[nodiscard]] std::size_t Count() const { return lines_.size(); }
    [[nodiscard]] bool Empty() const { return lines_.empty(); }

    // The index of the first line whose key equals `key` without regard to case, or -1.
    [[nodiscard]] int FindKey(std::string_view key) const;

    void Append(std::string line);
    void SetLine(std::size_t index, std::string line);
    void Erase(std::size_t index);
    void Assign(std::vector<std::string> lines);
    void Clear();

private:
    void BuildIndex() const;
    // Adds line `index` to the key index unless its key is already there.
    void IndexLine(std::size_t index) const;
    void DropIndex() const;

    std::string name_;
    std::vector<std::string> lines_;
    mutable std::vector<std::uint32_t> slots_;  // line index + 1; 0 = free
    mutable std::size_t indexed_ = 0;
    mutable bool indexValid_ = false;
};

class TSectionList {
public:
    [[nodiscard]] int Count() const { return static_cast<int>(sections_.size()); }
    [[nodiscard]] TSettingsSection& At(int index) { return *sections_[static_cast<std::size_t>(index)]; }
    [[nodiscard]] const TSettingsSection& At(int index) const { return *sections_[static_cast<std::size_t>(index)]; }

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
    void Replace(int index, std::unique_ptr<TSettingsSection> section);

private:
    void RebuildIndex() const;

    std::vector<std::unique_ptr<TSettingsSection>> sections_;
    mutable int lastHit_ = 0;
    // Folded name -> first index in file order. Names are unique in a loaded file; only a
    // rename can create duplicates, and then lookups fall back to the circular scan, whose
    // answer depends on where it starts.
    mutable std::unordered_map<std::string, int> index_;
    mutable bool indexDirty_ = false;
    mutable bool mayHaveDuplicates_ = false;
};

}  // namespace tessaly
