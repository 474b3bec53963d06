#include "archive/MessageCatalog.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/CompleteFile.h"
#include "text/TextUtils.h"

namespace tessaly::archive {
namespace {

// Bump when the entries or the pages made from them change, so old caches are not trusted.
constexpr const char* kHeader = "tessaly-catalog 4";
// The largest zone a date's four digits can give ("+9999").
constexpr int kMaxZoneMinutes = 99 * 60 + 99;

void Escaped(std::string& out, std::string_view text) {
    // The runs between the characters escaped go across in one piece.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' && c != '\t' && c != '\n' && c != '\r') continue;
        out.append(text.data() + from, i - from);
        out.push_back('\\');
        out.push_back(c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\');
        from = i + 1;
    }
    out.append(text.data() + from, text.size() - from);
}

std::string Unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char c = text[++i];
        out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
    }
    return out;
}

void Optional(std::string& out, const std::optional<std::string>& value) {
    out.push_back('\t');
    if (value) {
        out.push_back('=');
        Escaped(out, *value);
    }
}

std::optional<std::string> OptionalField(std::string_view field) {
    if (field.empty() || field[0] != '=') return std::nullopt;
    return Unescaped(field.substr(1));
}

// A whole decimal number of 64 bits (a damaged cache may hold one beyond them).
bool ToInt(std::string_view text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && stop == end;
}

template <typename Int>
void AppendInt(std::string& out, Int value) {
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out.append(buf, static_cast<std::size_t>(end - buf));
}

// A date read from its page as "@Y M D h m s zone hasZone", a date that could not be read as
// "=text", none as nothing.
void WriteDate(std::string& out, const TCatalogEntry& e) {
    out.push_back('\t');
    if (e.date) {
        const TMessageDate& d = *e.date;
        out.push_back('@');
        bool first = true;
        for (const int v : {d.year, d.month, d.day, d.hour, d.minute, d.second, d.zoneMinutes,
                            d.hasZone ? 1 : 0}) {
            if (!first) out.push_back(' ');
            first = false;
            AppendInt(out, v);
        }
    } else if (e.dateText) {
        out.push_back('=');
        Escaped(out, *e.dateText);
    }
}

bool ReadDate(const std::string& field, TCatalogEntry& e) {
    if (field.empty()) return true;
    if (field[0] == '=') {
        e.dateText = Unescaped(std::string_view(field).substr(1));
        return true;
    }
    TMessageDate d;
    int hasZone = 0;
    if (field[0] != '@' ||
        std::sscanf(field.c_str() + 1, "%d %d %d %d %d %d %d %d", &d.year, &d.month, &d.day,
                    &d.hour, &d.minute, &d.second, &d.zoneMinutes, &hasZone) != 8)
        return false;
    // Only what the page reader gives: a damaged cache must not hand the date's texts values
    // they cannot print (a zone of INT_MIN minutes has no positive form).
    if (d.year < 1900 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 ||
        d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.second < 0 ||
        d.second > 60 || d.zoneMinutes < -kMaxZoneMinutes || d.zoneMinutes > kMaxZoneMinutes)
        return false;
    d.hasZone = hasZone != 0;
    e.date = d;
    return true;
}

}  // namespace

std::string TCatalogEntry::MonthKey() const {
    if (!date) return "unknown";
    if (date->year >= 0 && date->year <= 9999 && date->month >= 1 && date->month <= 12)
        return date->ShortText().substr(0, 7);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d", date->year, date->month);
    return buf;
}

TCatalogEntry EntryOf(TSavedMessage&& message) {
    TCatalogEntry e;
    e.number = message.number;
    e.purged = message.purged;
    e.subject = std::move(message.subject);
    e.author = std::move(message.author);
    e.date = message.date;
    if (!e.date) e.dateText = std::move(message.dateText);
    return e;
}

std::vector<TCatalogEntry> LoadCatalog(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<TCatalogEntry> entries;
    std::string line;
    if (!in || !std::getline(in, line) || line != kHeader) return entries;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitAll(line, '\t');
        if (f.size() != 8) return {};
        TCatalogEntry e;
        std::int64_t size = 0, flags = 0;
        if (!ToInt(f[0], e.number) || !ToInt(f[2], size) || !ToInt(f[3], e.mtimeNs) ||
            !ToInt(f[4], flags) || size < 0)
            return {};
        e.file = Unescaped(f[1]);
        e.size = static_cast<std::uint64_t>(size);
        e.purged = (flags & 1) != 0;
        if (!ReadDate(f[5], e)) return {};
        e.subject = OptionalField(f[6]);
        e.author = OptionalField(f[7]);
        entries.push_back(std::move(e));
    }
    return entries;
}

void SaveCatalog(const std::string& path, const std::vector<TCatalogEntry>& entries) {
    TCompleteFileWriter writer(path);
    std::string out = std::string(kHeader) + "\n";
    for (const TCatalogEntry& e : entries) {
        AppendInt(out, e.number);
        out.push_back('\t');
        Escaped(out, e.file);
        out.push_back('\t');
        AppendInt(out, e.size);
        out.push_back('\t');
        AppendInt(out, e.mtimeNs);
        out += e.purged ? "\t1" : "\t0";
        WriteDate(out, e);
        Optional(out, e.subject);
        Optional(out, e.author);
        out.push_back('\n');
        if (out.size() >= 65536) {
            writer.Write(out);
            out.clear();
        }
    }
    writer.Write(out);
    writer.Commit();
}

}  // namespace tessaly::archive
