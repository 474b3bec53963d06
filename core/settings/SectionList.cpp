#include "settings/SectionList.h"

#include <cstring>
#include <stdexcept>

#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr std::size_t kIndexFrom = 16;  // shorter sections are scanned

// Eight bytes at a time, with ASCII lower-case letters turned upper-case (other bytes as
// they are): the same folding as UpCase, without a branch per character.
std::uint64_t FoldWord(std::uint64_t x) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    const std::uint64_t low7 = x & ~kHigh;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;     // high bit set when >= 'a'
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kOnes;   // high bit set when > 'z'
    const std::uint64_t lower = (atLeastA & ~aboveZ) & ~x & kHigh;  // 'a'..'z', plain ASCII
    return x ^ (lower >> 2);                                        // clear the 0x20 bit
}

std::uint64_t LoadTail(const char* p, std::size_t n) {
    std::uint64_t x = 0;
    std::memcpy(&x, p, n);
    return x;
}

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

std::uint64_t FoldHash(std::string_view s) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (h ^ FoldWord(w)) * 0xbf58476d1ce4e5b9ull;
        h ^= h >> 29;
    }
    if (i < s.size()) {
        h = (h ^ FoldWord(LoadTail(s.data() + i, s.size() - i))) * 0xbf58476d1ce4e5b9ull;
        h ^= h >> 29;
    }
    return Mix(h);
}

bool SameFold(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    std::size_t i = 0;
    for (; i + 8 <= a.size(); i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y && FoldWord(x) != FoldWord(y)) return false;
    }
    if (i < a.size()) {
        const std::size_t n = a.size() - i;
        std::uint64_t x = LoadTail(a.data() + i, n), y = LoadTail(b.data() + i, n);
        if (x != y && FoldWord(x) != FoldWord(y)) return false;
    }
    return true;
}

// A slot of the section table: the upper half of the name's hash and the index + 1 (0: free).
constexpr std::uint64_t MakeSlot(std::uint64_t hash, std::size_t index) {
    return (hash & 0xFFFFFFFF00000000ull) | static_cast<std::uint32_t>(index + 1);
}
constexpr std::size_t SlotLine(std::uint64_t slot) {
    return static_cast<std::uint32_t>(slot) - 1u;
}

}  // namespace

bool LineKey(std::string_view line, std::string_view& key) {
    const void* eq = std::memchr(line.data(), '=', line.size());
    if (eq == nullptr) return false;
    key = line.substr(0, static_cast<std::size_t>(static_cast<const char*>(eq) - line.data()));
    return true;
}

// --- TSettingsSection

std::vector<std::string> TSettingsSection::Lines() const {
    std::vector<std::string> out;
    out.reserve(refs_.size());
    for (std::size_t i = 0; i < refs_.size(); ++i) out.emplace_back(Line(i));
    return out;
}

bool TSettingsSection::SameLines(const std::vector<std::string>& lines) const {
    if (lines.size() != refs_.size()) return false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (Line(i) != lines[i]) return false;
    }
    return true;
}

TSettingsSection::LineRef TSettingsSection::Store(std::string_view line) {
    if (text_.size() + line.size() > 0xFFFFFFFFull)
        throw std::length_error("settings section too large");
    LineRef r{static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(line.size())};
    if (line.data() >= text_.data() && line.data() < text_.data() + text_.size()) {
        const std::string copy(line);  // appending may move the buffer the view points into
        text_.append(copy);
    } else {
        text_.append(line);
    }
    return r;
}

void TSettingsSection::Compact() {
    std::string packed;
    packed.reserve(text_.size() - stale_);
    for (LineRef& r : refs_) {
        auto offset = static_cast<std::uint32_t>(packed.size());
        packed.append(text_, r.offset, r.length);
        r.offset = offset;
    }
    text_ = std::move(packed);
    stale_ = 0;
    DropIndex();  // the slots hold offsets
}

void TSettingsSection::DropIndex() const {
    indexValid_ = false;
    slots_.clear();
    slots_.shrink_to_fit();
    indexed_ = 0;
}

// `key` holds no "=" (FindKeyLine checks), so a line whose text matches it and has "=" right
// after it has its first "=" there.
bool TSettingsSection::SlotMatches(const Slot& slot, std::string_view key) const {
    if (slot.length <= key.size() || text_[slot.offset + key.size()] != '=') return false;
    return SameFold(std::string_view(text_.data() + slot.offset, key.size()), key);
}

void TSettingsSection::IndexLine(std::size_t index) const {
    std::string_view key;
    if (!LineKey(Line(index), key)) return;
    if ((indexed_ + 1) * 10 > slots_.size() * 9) {
        BuildIndex();  // grows the table; the line is in refs_ already
        return;
    }
    const std::uint64_t hash = FoldHash(key);
    const std::size_t mask = slots_.size() - 1;
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        Slot& slot = slots_[s];
        if (slot.line == 0) {
            slot = Slot{high, static_cast<std::uint32_t>(index + 1), refs_[index].offset,
                        refs_[index].length};
            ++indexed_;
            return;
        }
        if (slot.hash == high && SlotMatches(slot, key)) return;  // an earlier line has this key
    }
}

void TSettingsSection::BuildIndex() const {
    std::size_t size = 32;
    while (size * 4 < refs_.size() * 5 + 4) size <<= 1;  // at most 80 % full
    slots_.assign(size, Slot{0, 0, 0, 0});
    indexed_ = 0;
    indexValid_ = true;
    for (std::size_t i = 0; i < refs_.size(); ++i) IndexLine(i);
}

std::pair<int, std::string_view> TSettingsSection::FindKeyLine(std::string_view key) const {
    // A key ends at the first "=" of its line, so a name with "=" in it is never a key.
    if (std::memchr(key.data(), '=', key.size()) != nullptr) return {-1, {}};
    if (refs_.size() < kIndexFrom) {
        for (std::size_t i = 0; i < refs_.size(); ++i) {
            std::string_view k;
            if (LineKey(Line(i), k) && SameFold(k, key)) return {static_cast<int>(i), Line(i)};
        }
        return {-1, {}};
    }
    if (!indexValid_) BuildIndex();
    const std::uint64_t hash = FoldHash(key);
    const std::size_t mask = slots_.size() - 1;
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = slots_[s];
        if (slot.line == 0) return {-1, {}};
        if (slot.hash == high && SlotMatches(slot, key)) {
            return {static_cast<int>(slot.line - 1),
                    std::string_view(text_).substr(slot.offset, slot.length)};
        }
    }
}

void TSettingsSection::Append(std::string_view line) {
    refs_.push_back(Store(line));
    if (indexValid_) IndexLine(refs_.size() - 1);
}

void TSettingsSection::SetLine(std::size_t index, std::string_view line) {
    std::string_view oldKey, newKey;
    const bool hadKey = LineKey(Line(index), oldKey);
    const bool hasKey = LineKey(line, newKey);
    const bool sameKey = hadKey == hasKey && (!hadKey || SameFold(oldKey, newKey));
    LineRef& r = refs_[index];
    if (line.size() <= r.length) {
        std::memmove(text_.data() + r.offset, line.data(), line.size());  // line may alias text_
        stale_ += r.length - line.size();
        r.length = static_cast<std::uint32_t>(line.size());
    } else {
        stale_ += r.length;
        r = Store(line);
    }
    if (indexValid_) {
        if (!sameKey) {
            DropIndex();
        } else if (hasKey) {
            // Point the slot of this line at its new place.
            const std::uint64_t hash = FoldHash(newKey);
            const std::size_t mask = slots_.size() - 1;
            for (std::size_t s = hash & mask; slots_[s].line != 0; s = (s + 1) & mask) {
                if (slots_[s].line == index + 1) {
                    slots_[s].offset = r.offset;
                    slots_[s].length = r.length;
                    break;
                }
            }
        }
    }
    if (stale_ > 4096 && stale_ * 2 > text_.size()) Compact();
}

void TSettingsSection::Erase(std::size_t index) {
    stale_ += refs_[index].length;
    refs_.erase(refs_.begin() + static_cast<std::ptrdiff_t>(index));
    DropIndex();
    if (stale_ > 4096 && stale_ * 2 > text_.size()) Compact();
}

void TSettingsSection::Assign(const std::vector<std::string>& lines) {
    Clear();
    for (const auto& line : lines) refs_.push_back(Store(line));
}

void TSettingsSection::Clear() {
    text_.clear();
    refs_.clear();
    stale_ = 0;
    DropIndex();
}

// --- TSectionList

void TSectionList::IndexSection(std::size_t i) const {
    const std::string& name = sections_[i].Name();
    const std::uint64_t hash = FoldHash(name);
    const std::size_t mask = index_.size() - 1;
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        std::uint64_t slot = index_[s];
        if (slot == 0) {
            index_[s] = MakeSlot(hash, i);
            ++indexed_;
            return;
        }
        if ((slot ^ hash) >> 32 == 0 && SameFold(sections_[SlotLine(slot)].Name(), name)) {
            mayHaveDuplicates_ = true;
            return;
        }
    }
}

void TSectionList::RebuildIndex() const {
    std::size_t size = 64;
    while (size < sections_.size() * 2 + 2) size <<= 1;
    index_.assign(size, 0);
    indexed_ = 0;
    mayHaveDuplicates_ = false;
    for (std::size_t i = 0; i < sections_.size(); ++i) IndexSection(i);
    indexDirty_ = false;
}

int TSectionList::Find(std::string_view name, int& start) const {
    const int n = Count();
    if (n == 0) return -1;
    if (start < 0 || start >= n) start = 0;
    if (SameFold(sections_[static_cast<std::size_t>(start)].Name(), name)) return start;
    if (indexDirty_) RebuildIndex();
    if (!mayHaveDuplicates_) {
        const std::uint64_t hash = FoldHash(name);
        const std::size_t mask = index_.size() - 1;
        for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
            std::uint64_t slot = index_[s];
            if (slot == 0) return -1;
            if ((slot ^ hash) >> 32 == 0 && SameFold(sections_[SlotLine(slot)].Name(), name)) {
                start = static_cast<int>(SlotLine(slot));
                return start;
            }
        }
    }
    for (int k = 1; k < n; ++k) {
        int i = (start + k) % n;
        if (SameFold(sections_[static_cast<std::size_t>(i)].Name(), name)) {
            start = i;
            return i;
        }
    }
    return -1;
}

int TSectionList::Add(std::string name) {
    sections_.emplace_back(std::move(name));
    const auto index = sections_.size() - 1;
    if (!indexDirty_) {
        if ((indexed_ + 1) * 2 > index_.size()) {
            RebuildIndex();
        } else {
            IndexSection(index);
        }
    }
    return static_cast<int>(index);
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

void TSectionList::Replace(int index, TSettingsSection section) {
    sections_[static_cast<std::size_t>(index)] = std::move(section);
    indexDirty_ = true;
}

void TSectionList::Clear() {
    sections_.clear();
    index_.clear();
    indexed_ = 0;
    indexDirty_ = true;
    mayHaveDuplicates_ = false;
    lastHit_ = 0;
}

}  // namespace tessaly
