#include "archive/SearchBlock.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "archive/SearchWords.h"
#include "archive/SiteText.h"

namespace tessaly::archive {
namespace {

void AppendBase36(std::string& out, std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char digits[8];
    int n = 0;
    do {
        digits[n++] = kDigits[value % 36];
        value /= 36;
    } while (value != 0);
    while (n > 0) out.push_back(digits[--n]);
}

std::string OrNull(const std::optional<std::string>& text) {
    return text ? JsString(*text) : "null";
}

// The distinct words of a block, each with the positions of the messages that hold it. A block
// adds some hundred thousand words of which a few thousand differ, so this is an open-addressing
// table over the distinct words with the positions gathered in one flat list: a word seen before
// costs a hash and a compare, and nothing is allocated for it.
class TPostings {
public:
    TPostings() : slots_(4096) {}

    void Add(std::string_view word, std::uint32_t position) {
        const std::uint64_t hash = Hash(word);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            TSlot& slot = slots_[i];
            if (slot.id == kFree) {
                slot = TSlot{hash, static_cast<std::uint32_t>(words_.size()), position};
                words_.emplace_back(word);
                pairs_.push_back({slot.id, position});
                if (words_.size() * 2 > slots_.size()) Grow();
                return;
            }
            if (slot.hash == hash && Same(words_[slot.id], word)) {
                // A repeat within one message finds its own position last.
                if (slot.last != position) {
                    slot.last = position;
                    pairs_.push_back({slot.id, position});
                }
                return;
            }
        }
    }

    // Calls `f(word, positions)` for each word in byte order, positions rising.
    template <typename F>
    void ForEachWord(F&& f) const {
        const std::size_t count = words_.size();
        std::vector<std::uint32_t> start(count + 1, 0);
        for (const auto& [id, position] : pairs_) ++start[id + 1];
        for (std::size_t k = 0; k < count; ++k) start[k + 1] += start[k];
        std::vector<std::uint32_t> positions(pairs_.size());
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        // The pairs come in message order, so each word's positions come out rising.
        for (const auto& [id, position] : pairs_) positions[fill[id]++] = position;
        // Sorted by their first eight bytes as a number first (the bytes in order, zero-padded),
        // which settles most comparisons without looking at the words.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> order(count);
        for (std::size_t k = 0; k < count; ++k) {
            std::uint64_t prefix = 0;
            const std::string& w = words_[k];
            for (std::size_t b = 0; b < 8; ++b) {
                prefix = (prefix << 8) | (b < w.size() ? static_cast<unsigned char>(w[b]) : 0u);
            }
            order[k] = {prefix, static_cast<std::uint32_t>(k)};
        }
        std::sort(order.begin(), order.end(), [this](const auto& a, const auto& b) {
            if (a.first != b.first) return a.first < b.first;
            return words_[a.second] < words_[b.second];
        });
        for (const auto& [prefix, id] : order) {
            f(words_[id], std::span<const std::uint32_t>(positions.data() + start[id],
                                                         start[id + 1] - start[id]));
        }
    }

private:
    static constexpr std::uint32_t kFree = 0xFFFFFFFF;
    struct TSlot {
        std::uint64_t hash = 0;
        std::uint32_t id = kFree;
        std::uint32_t last = 0;  // the last position added to the word
    };

    // Words are short: one to three loads of a word (overlapping where its length is no
    // multiple of their width) mixed with its length; eight bytes at a time past the first eight.
    static std::uint64_t Hash(std::string_view word) {
        const char* p = word.data();
        const std::size_t n = word.size();
        const std::uint64_t seed = 0x9E3779B97F4A7C15ull * (n + 1);
        if (n >= 8) {
            std::uint64_t h = seed;
            for (std::size_t i = 0; i + 8 < n; i += 8) h = Mix(h ^ Load<std::uint64_t>(p + i));
            return Mix(h ^ Load<std::uint64_t>(p + n - 8));
        }
        std::uint64_t v = 0;
        if (n >= 4) {
            v = (std::uint64_t{Load<std::uint32_t>(p)} << 32) | Load<std::uint32_t>(p + n - 4);
        } else if (n > 0) {
            auto byte = [p](std::size_t i) {
                return std::uint64_t{static_cast<unsigned char>(p[i])};
            };
            v = byte(0) | (byte(n / 2) << 8) | (byte(n - 1) << 16);
        }
        return Mix(seed ^ v);
    }
    template <typename T>
    static T Load(const char* at) {
        T value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    static std::uint64_t Mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Compared as the hash reads them: a few loads, overlapping at the end.
    static bool Same(const std::string& a, std::string_view b) {
        const std::size_t n = b.size();
        if (a.size() != n) return false;
        const char* p = a.data();
        const char* q = b.data();
        if (n >= 8) {
            for (std::size_t i = 0; i + 8 < n; i += 8) {
                if (Load<std::uint64_t>(p + i) != Load<std::uint64_t>(q + i)) return false;
            }
            return Load<std::uint64_t>(p + n - 8) == Load<std::uint64_t>(q + n - 8);
        }
        if (n >= 4) {
            return Load<std::uint32_t>(p) == Load<std::uint32_t>(q) &&
                   Load<std::uint32_t>(p + n - 4) == Load<std::uint32_t>(q + n - 4);
        }
        for (std::size_t k = 0; k < n; ++k) {
            if (p[k] != q[k]) return false;
        }
        return true;
    }

    void Grow() {
        std::vector<TSlot> bigger(slots_.size() * 2);
        const std::size_t mask = bigger.size() - 1;
        for (const TSlot& slot : slots_) {
            if (slot.id == kFree) continue;
            std::size_t i = slot.hash & mask;
            while (bigger[i].id != kFree) i = (i + 1) & mask;
            bigger[i] = slot;
        }
        slots_ = std::move(bigger);
    }

    std::vector<TSlot> slots_;
    std::vector<std::string> words_;                              // by id
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs_;  // (id, position)
};

}  // namespace

std::string SearchBlockScript(const std::string& group, std::int64_t block,
                              std::vector<TBlockMessage>& messages) {
    std::sort(messages.begin(), messages.end(), [](const TBlockMessage& a, const TBlockMessage& b) {
        return a.entry->number < b.entry->number;
    });
    std::string out = "TS.block(" + JsString(group) + "," + std::to_string(block) + ",[\n";
    TPostings postings;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const TCatalogEntry& e = *messages[i].entry;
        out += "[" + std::to_string(e.number) + "," + JsString(e.file) + "," + OrNull(e.subject) +
               "," + OrNull(e.author) + "," +
               (e.date ? JsString(e.date->ShortText()) : OrNull(e.dateText)) + "]";
        out += i + 1 < messages.size() ? ",\n" : "\n";
        const auto position = static_cast<std::uint32_t>(i);
        ForEachWord(messages[i].text, [&](std::string_view word) { postings.Add(word, position); });
    }
    // Words in order, so the same messages always give the same script.
    out += "],{\n";
    bool first = true;
    postings.ForEachWord([&](std::string_view word, std::span<const std::uint32_t> list) {
        if (!first) out += ",\n";
        first = false;
        out += JsString(word);
        out += ":\"";
        std::uint32_t previous = 0;
        for (std::size_t k = 0; k < list.size(); ++k) {
            if (k > 0) out.push_back(',');
            AppendBase36(out, list[k] - previous);
            previous = list[k];
        }
        out.push_back('"');
    });
    out += "});\n";
    for (TBlockMessage& m : messages) m.text = {};
    return out;
}

}  // namespace tessaly::archive
