#include "SectionList.h"

#include <cstring>

#include "TextUtils.h"

namespace tessaly {
namespace {

constexpr std::size_t kIndexFrom = 16;  // shorter sections are scanned

std::uint64_t FoldHash(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(UpCase(c));
        h *= 1099511628211ull;
    }
    return h ^ (h >> 29);
}

bool SameFold(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && UpCase(a[i]) != UpCase(b[i])) return false;
    }
    return true;
}

}  // namespace

bool LineKey(std::string_view line, std::string_view& key) {
    const void* eq = std::memchr(line.data(), '=', line.size());
    if (eq == nullptr) return false;
    key = line.substr(0, static_cast<std::size_t>(static_cast<const char*>(eq) - line.data()));
    return true;
}

// --- TSettingsSection

void TSettingsSection::DropIndex() const {
    indexValid_ = false;
    slots_.clear();
    slots_.shrink_to_fit();
    indexed_ = 0;
}

void TSettingsSection::IndexLine(std::size_t index) const {
    std::string_view key;
    if (!LineKey(lines_[index], key)) return;
    if ((indexed_ + 1) * 2 > slots_.size()) {
        BuildIndex();  // grows the table; the line is part of lines_ already
        return;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = FoldHash(key) & mask;; s = (s + 1) & mask) {
        std::uint32_t slot = slots_[s];
        if (slot == 0) {
            slots_[s] = static_cast<std::uint32_t>(index + 1);
            ++indexed_;
            return;
        }
        std::string_view other;
        LineKey(lines_[slot - 1], other);
        if (SameFold(other, key)) return;  // an earlier line has this key
    }
}

void TSettingsSection::BuildIndex() const {
    std::size_t size = 32;
    while (size < lines_.size() * 2 + 2) size <<= 1;
    slots_.assign(size, 0);
    indexed_ = 0;
    indexValid_ = true;
    for (std::size_t i = 0; i < lines_.size(); ++i) IndexLine(i);
}

int TSettingsSection::FindKey(std::string_view key) const {
    if (lines_.size() < kIndexFrom) {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            std::string_view k;
            if (LineKey(lines_[i], k) && SameFold(k, key)) return static_cast<int>(i);
        }
        return -1;
    }
    if (!indexValid_) BuildIndex();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = FoldHash(key) & mask;; s = (s + 1) & mask) {
        std::uint32_t slot = slots_[s];
        if (slot == 0) return -1;
        std::string_view k;
        LineKey(lines_[slot - 1], k);
        if (SameFold(k, key)) return static_cast<int>(slot - 1);
    }
}

void TSettingsSection::Append(std::string line) {
    lines_.push_back(std::move(line));
    if (indexValid_) IndexLine(lines_.size() - 1);
}

void TSettingsSection::SetLine(std::size_t index, std::string line) {
    if (indexValid_) {
        std::string_view oldKey, newKey;
        bool hadKey = LineKey(lines_[index], oldKey);
        bool hasKey = LineKey(line, newKey);
        if (hadKey != hasKey || (hadKey && !SameFold(oldKey, newKey))) DropIndex();
    }
    lines_[index] = std::move(line);
}

void TSettingsSection::Erase(std::size_t index) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
    DropIndex();
}

void TSettingsSection::Assign(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    DropIndex();
}

void TSettingsSection::Clear() {
    lines_.clear();
    DropIndex();
}

// --- TSectionList

void TSectionList::RebuildIndex() const {
    index_.clear();
    mayHaveDuplicates_ = false;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (!index_.emplace(UpperCase(sections_[i]->Name()), static_cast<int>(i)).second) mayHaveDuplicates_ = true;
    }
    indexDirty_ = false;
}

int TSectionList::Find(std::string_view name, int& start) const {
    const int n = Count();
    if (n == 0) return -1;
    if (start < 0 || start >= n) start = 0;
    if (SameFold(sections_[static_cast<std::size_t>(start)]->Name(), name)) return start;
    if (indexDirty_) RebuildIndex();
    if (!mayHaveDuplicates_) {
        auto it = index_.find(UpperCase(name));
        if (it == index_.end()) return -1;
        start = it->second;
        return start;
    }
    for (int k = 1; k < n; ++k) {
        int i = (start + k) % n;
        if (SameFold(sections_[static_cast<std::size_t>(i)]->Name(), name)) {
            start = i;
            return i;
        }
    }
    return -1;
}

int TSectionList::Add(std::string name) {
    std::string fold = UpperCase(name);
    sections_.push_back(std::make_unique<TSettingsSection>(std::move(name)));
    int index = Count() - 1;
    if (!indexDirty_ && !index_.emplace(std::move(fold), index).second) mayHaveDuplicates_ = true;
    return index;
}

void TSectionList::Delete(int index) {
    sections_.erase(sections_.begin() + index);
    indexDirty_ = true;
    if (lastHit_ >= Count()) lastHit_ = 0;
}

void TSectionList::Rename(int index, std::string name) {
    At(index).SetName(std::move(name));
    indexDirty_ = true;
}

void TSectionList::Replace(int index, std::unique_ptr<TSettingsSection> section) {
    sections_[static_cast<std::size_t>(index)] = std::move(section);
    indexDirty_ = true;
}

void TSectionList::Clear() {
    sections_.clear();
    index_.clear();
    indexDirty_ = false;
    mayHaveDuplicates_ = false;
    lastHit_ = 0;
}

}  // namespace tessaly
