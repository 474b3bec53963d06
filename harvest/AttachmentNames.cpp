#include "harvest/AttachmentNames.h"

#include <cstdio>

#include "files/SafeNames.h"
#include "harvest/AttachmentIndex.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {
namespace {

// An extension longer than this is no extension a name keeps when it is cut.
constexpr std::size_t kLongestKeptExtension = 16;

int NumberOf(std::string_view text) {
    if (text.empty() || text.size() > 9 || !IsAllDigits(text)) return 0;
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

// `stem` + `tail` + `ext` as one name of at most kMaxNameBytes: where it is too long, the stem
// is cut (at a character boundary of UTF-8), so the tail and a short extension stay.
std::string FitName(std::string stem, const std::string& tail, std::string ext) {
    if (ext.size() > kLongestKeptExtension) {
        stem += ext;
        ext.clear();
    }
    if (stem.size() + tail.size() + ext.size() <= kMaxNameBytes) return stem + tail + ext;
    std::size_t keep = kMaxNameBytes - tail.size() - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    return stem.substr(0, keep) + tail + ext;
}

std::string Padded(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07d", number);
    return digits;
}

}  // namespace

std::string MakeAttachmentItem(int message, int index, std::string_view url) {
    return std::to_string(message) + "<" + std::to_string(index) + "<" + std::string(url);
}

TAttachmentItem ParseAttachmentItem(std::string_view item) {
    TAttachmentItem parsed;
    const auto first = item.find('<');
    if (first == std::string_view::npos) {
        parsed.url = std::string(item);
        return parsed;
    }
    parsed.message = NumberOf(item.substr(0, first));
    const auto second = item.find('<', first + 1);
    if (second == std::string_view::npos) {
        parsed.url = std::string(item.substr(first + 1));
        return parsed;
    }
    parsed.index = NumberOf(item.substr(first + 1, second - first - 1));
    parsed.url = std::string(item.substr(second + 1));
    return parsed;
}

std::string AttachmentName(std::string_view url) {
    const auto slash = url.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? url : url.substr(slash + 1);
    return SafeSegment(CreateProperFilename(Trim(UrlDecode(last))));
}

std::string AttachmentPath(const std::string& folder, int scheme, std::string_view url, int message,
                           int index) {
    const std::string name = AttachmentName(url);
    const std::string ext = ExtractFileExt(name);
    const std::string base = FileNameWithoutExtension(name);
    const std::string msg = std::to_string(message);
    switch (scheme) {
        case 1:
            return folder + name;
        case 2:
            return folder + msg + "/" + name;
        case 3:
            return folder + FitName(base, "_" + Padded(message), ext);
        case 4:
            return folder + FitName(Padded(message) + "_" + base, "", ext);
        default:
            return folder + FitName(msg + "_" + std::to_string(index), "", ext);
    }
}

TAttachmentNames::TAttachmentNames(std::string indexPath, std::string folder)
    : indexPath_(std::move(indexPath)), folder_(std::move(folder)) {
    held_ = ReadAttachmentIndex(indexPath_);
}

std::string TAttachmentNames::Key(const std::string& path) const {
    return path.compare(0, folder_.size(), folder_) == 0 ? path.substr(folder_.size()) : path;
}

std::string TAttachmentNames::Claim(const std::string& path, const TAttachmentItem& item) {
    std::lock_guard lock(mutex_);
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    const std::string ext = ExtractFileExt(name);
    const std::string base = FileNameWithoutExtension(name);
    const std::string mark = "_" + std::to_string(item.index);
    for (int round = 0;; ++round) {
        std::string candidate =
            round == 0
                ? path
                : folder +
                      FitName(base, round == 1 ? mark : mark + "_" + std::to_string(round), ext);
        const auto [at, added] = held_.try_emplace(Key(candidate), item);
        if (added) changed_ = true;
        if (added || at->second == item) return candidate;
    }
}

void TAttachmentNames::Save() {
    std::lock_guard lock(mutex_);
    if (!changed_ || indexPath_.empty()) return;
    WriteAttachmentIndex(indexPath_, held_);
    changed_ = false;
}

}  // namespace tessaly
