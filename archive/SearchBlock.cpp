#include "archive/SearchBlock.h"

#include <algorithm>
#include <unordered_map>

#include "archive/SiteText.h"

namespace tessaly::archive {
namespace {

std::string Base36(std::uint64_t value) {
    static const char* kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string out;
    do {
        out.push_back(kDigits[value % 36]);
        value /= 36;
    } while (value != 0);
    std::reverse(out.begin(), out.end());
    return out;
}

std::string OrNull(const std::optional<std::string>& text) {
    return text ? JsString(*text) : "null";
}

}  // namespace

std::string SearchBlockScript(const std::string& group, std::int64_t block,
                              std::vector<TBlockMessage>& messages) {
    std::sort(messages.begin(), messages.end(), [](const TBlockMessage& a, const TBlockMessage& b) {
        return a.entry->number < b.entry->number;
    });
    std::string out = "TS.block(" + JsString(group) + "," + std::to_string(block) + ",[\n";
    // Each message adds its position to a word's list once (a repeat finds itself last there).
    std::unordered_map<std::string, std::vector<std::uint32_t>> postings;
    postings.reserve(messages.size() * 8);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const TCatalogEntry& e = *messages[i].entry;
        out += "[" + std::to_string(e.number) + "," + JsString(e.file) + "," + OrNull(e.subject) +
               "," + OrNull(e.author) + "," +
               (e.date ? JsString(e.date->ShortText()) : OrNull(e.dateText)) + "]";
        out += i + 1 < messages.size() ? ",\n" : "\n";
        const auto position = static_cast<std::uint32_t>(i);
        for (std::string& w : messages[i].words) {
            auto& list = postings[std::move(w)];
            if (list.empty() || list.back() != position) list.push_back(position);
        }
        messages[i].words = {};
    }
    // Words in order, so the same messages always give the same script.
    std::vector<const std::pair<const std::string, std::vector<std::uint32_t>>*> sorted;
    sorted.reserve(postings.size());
    for (const auto& p : postings) sorted.push_back(&p);
    std::sort(sorted.begin(), sorted.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    out += "],{\n";
    bool first = true;
    for (const auto* p : sorted) {
        const std::string& word = p->first;
        const std::vector<std::uint32_t>& list = p->second;
        if (!first) out += ",\n";
        first = false;
        out += JsString(word) + ":\"";
        std::uint32_t previous = 0;
        for (std::size_t k = 0; k < list.size(); ++k) {
            if (k > 0) out.push_back(',');
            out += Base36(list[k] - previous);
            previous = list[k];
        }
        out.push_back('"');
    }
    out += "});\n";
    return out;
}

}  // namespace tessaly::archive
