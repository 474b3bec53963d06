#include "settings/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileLock.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

// The whole file, or nothing when it does not exist. Other failures raise EFileError.
bool ReadWholeFile(const std::string& fileName, std::string& out) {
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        throw EFileError("cannot open", fileName, errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw EFileError("cannot read", fileName, EISDIR);
    }
    out.clear();
    if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[TSettingsFile::kBufferSize];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            throw EFileError("cannot read", fileName, e);
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<int> TextToInt(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    bool hex = false;
    if (i < t.size() && t[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= t.size()) return std::nullopt;
    std::uint64_t v = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        v = v * (hex ? 16u : 10u) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    if (hex) {
        // Hexadecimal texts give the 32-bit pattern: $FFFFFFFF is -1.
        auto bits = static_cast<std::uint32_t>(v);
        auto value = static_cast<std::int32_t>(bits);
        return negative ? -value : value;
    }
    if (!negative && v > 2147483647ull) return std::nullopt;
    if (negative && v > 2147483648ull) return std::nullopt;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(v)) : static_cast<int>(v);
}

TSettingsFile::TSettingsFile(std::string fileName) : fileName_(std::move(fileName)) {
    if (!fileName_.empty()) LoadFromFile(fileName_);
}

TSettingsFile::~TSettingsFile() {
    try {
        UpdateFile();
    } catch (const EFileError&) {
        // Nothing can be reported from here; the content on disk stays as it was.
    }
}

void TSettingsFile::SetFileName(std::string fileName) {
    UpdateFile();
    DiscardSections();
    fileName_ = std::move(fileName);
    if (!fileName_.empty()) LoadFromFile(fileName_);
    changed_ = false;
}

void TSettingsFile::LoadFromFile(const std::string& fileName) {
    lastSection_ = 0;
    std::string text;
    if (!ReadWholeFile(fileName, text)) return;
    ParseText(text);
}

void TSettingsFile::LoadFromText(std::string_view text) {
    lastSection_ = 0;
    ParseText(text);
}

void TSettingsFile::ResolveDuplicate(int keptIndex, TSettingsSection later) {
    changed_ = true;
    if (!OnDuplicateSection) return;
    const TSettingsSection& kept = sections_.At(keptIndex);
    if (!OnDuplicateSection(kept.Name(), kept.Lines(), later.Lines()))
        sections_.Replace(keptIndex, std::move(later));
}

void TSettingsFile::ParseText(std::string_view text) {
    if (auto eof = text.find('\x1a'); eof != std::string_view::npos) text = text.substr(0, eof);

    // Lines go to section `current` of the list, or to `duplicate` while a later section with a
    // known name is read (it is resolved when the next section starts).
    int current = -1;
    std::optional<TSettingsSection> duplicate;
    int duplicateOf = -1;
    auto target = [&]() -> TSettingsSection& {
        return duplicate ? *duplicate : sections_.At(current);
    };
    std::string scratch;

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::memchr(line.data(), '\r', line.size()) != nullptr) {
            scratch.clear();
            for (char c : line) {
                if (c != '\r') scratch.push_back(c);
            }
            line = scratch;
        }
        if (line.size() > kMaxLine) line = line.substr(0, kMaxLine);
        if (line.empty()) continue;
        if (DropCommentLines && line.front() == ';') continue;

        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            if (duplicate) {
                ResolveDuplicate(duplicateOf, std::move(*duplicate));
                duplicate.reset();
            }
            std::string name(line.substr(1, line.size() - 2));
            int existing = sections_.IndexOf(name);
            if (existing >= 0) {
                duplicate.emplace(std::move(name));
                duplicateOf = existing;
            } else {
                current = sections_.Add(std::move(name));
            }
            continue;
        }
        if (current < 0 && !duplicate) continue;

        if (!(TrimAroundEquals || StripValueQuotes || TrimTrailingControls ||
              DropLinesWithoutEquals)) {
            target().Append(line);
            continue;
        }
        std::string s(line);
        auto eq = s.find('=');
        if (TrimAroundEquals && eq != std::string::npos) {
            std::size_t a = eq;
            while (a > 0 && IsBlankOrTab(s[a - 1])) --a;
            std::size_t b = eq + 1;
            while (b < s.size() && IsBlankOrTab(s[b])) ++b;
            s = s.substr(0, a) + "=" + s.substr(b);
            eq = a;
        }
        if (StripValueQuotes && eq != std::string::npos && s.size() >= eq + 3) {
            char q = s[eq + 1];
            if ((q == '"' || q == '\'') && s.back() == q)
                s = s.substr(0, eq + 1) + s.substr(eq + 2, s.size() - eq - 3);
        }
        if (TrimTrailingControls) {
            while (!s.empty() && static_cast<unsigned char>(s.back()) < '!') s.pop_back();
        }
        if (DropLinesWithoutEquals && s.find('=') == std::string::npos) continue;
        if (s.empty()) continue;
        target().Append(s);
    }
    if (duplicate) ResolveDuplicate(duplicateOf, std::move(*duplicate));
}

void TSettingsFile::DiscardSections() {
    sections_.Clear();
    lastSection_ = 0;
    changed_ = false;
}

int TSettingsFile::FindSection(std::string_view section) const {
    return sections_.Find(section, lastSection_);
}

TSettingsSection& TSettingsFile::SectionForWrite(std::string_view section) {
    int index = FindSection(section);
    if (index < 0) {
        index = sections_.Add(std::string(section));
        lastSection_ = index;
    }
    return sections_.At(index);
}

TSettingsFile::KeyRef TSettingsFile::FindKey(std::string_view section, std::string_view key) const {
    KeyRef ref;
    ref.section = FindSection(section);
    if (ref.section >= 0) ref.line = sections_.At(ref.section).FindKey(key);
    return ref;
}

void TSettingsFile::DeleteKey(std::string_view section, std::string_view key) {
    KeyRef ref = FindKey(section, key);
    if (ref.line < 0) return;
    sections_.At(ref.section).Erase(static_cast<std::size_t>(ref.line));
    changed_ = true;
}

void TSettingsFile::EraseSection(std::string_view section) {
    int index = FindSection(section);
    if (index < 0) return;
    sections_.Delete(index);
    lastSection_ = 0;
    changed_ = true;
}

std::string TSettingsFile::ContentText() const {
    std::size_t size = 0;
    for (int i = 0; i < sections_.Count(); ++i) {
        const auto& s = sections_.At(i);
        if (s.Empty()) continue;
        size += s.Name().size() + 6;
        for (std::size_t k = 0; k < s.Count(); ++k) size += s.Line(k).size() + 2;
    }
    std::string out;
    out.reserve(size);
    for (int i = 0; i < sections_.Count(); ++i) {
        const auto& s = sections_.At(i);
        if (s.Empty()) continue;
        out.append("[").append(s.Name()).append("]\r\n");
        for (std::size_t k = 0; k < s.Count(); ++k) out.append(s.Line(k)).append("\r\n");
        out.append("\r\n");
    }
    return out;
}

void TSettingsFile::UpdateFile() {
    if (changed_ && !fileName_.empty()) SaveFileAtomically(fileName_, ContentText());
    changed_ = false;
}

bool TSettingsFile::SectionExists(std::string_view section) const {
    return FindSection(section) >= 0;
}

std::string TSettingsFile::ReadLongString(std::string_view section, std::string_view key,
                                          std::string_view defaultValue) const {
    const int index = FindSection(section);
    if (index < 0) return std::string(defaultValue);
    auto [line, text] = sections_.At(index).FindKeyLine(key);
    if (line < 0) return std::string(defaultValue);
    return std::string(text.substr(key.size() + 1));
}

std::string TSettingsFile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    const int index = FindSection(section);
    if (index < 0) return std::string(defaultValue);
    auto [line, text] = sections_.At(index).FindKeyLine(key);
    if (line < 0) return std::string(defaultValue);
    return std::string(text.substr(key.size() + 1, kMaxLine));
}

void TSettingsFile::GetStrings(std::vector<std::string>& lines) const {
    for (int i = 0; i < sections_.Count(); ++i) {
        const auto& s = sections_.At(i);
        if (s.Empty()) continue;
        lines.push_back("[" + s.Name() + "]");
        for (std::size_t k = 0; k < s.Count(); ++k) lines.emplace_back(s.Line(k));
        lines.emplace_back();
    }
}

int TSettingsFile::ReadInteger(std::string_view section, std::string_view key,
                               int defaultValue) const {
    std::string text = ReadString(section, key, "");
    return TextToInt(text).value_or(defaultValue);
}

bool TSettingsFile::ReadBool(std::string_view section, std::string_view key,
                             bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TDateTime TSettingsFile::ReadDate(std::string_view section, std::string_view key,
                                  TDateTime d) const {
    std::string text = ReadString(section, key, "");
    return text.empty() ? d : TextToDate(text).value_or(d);
}

TDateTime TSettingsFile::ReadDateTime(std::string_view section, std::string_view key,
                                      TDateTime d) const {
    std::string text = ReadString(section, key, "");
    return text.empty() ? d : TextToDateTime(text).value_or(d);
}

double TSettingsFile::ReadFloat(std::string_view section, std::string_view key, double d) const {
    std::string text = ReadString(section, key, "");
    return text.empty() ? d : TextToFloat(text).value_or(d);
}

TDateTime TSettingsFile::ReadTime(std::string_view section, std::string_view key,
                                  TDateTime d) const {
    std::string text = ReadString(section, key, "");
    return text.empty() ? d : TextToTime(text).value_or(d);
}

void TSettingsFile::ReadSection(std::string_view section, std::vector<std::string>& names) const {
    int index = FindSection(section);
    if (index < 0) return;
    const TSettingsSection& s = sections_.At(index);
    for (std::size_t k = 0; k < s.Count(); ++k) {
        std::string_view key;
        if (!LineKey(s.Line(k), key)) continue;
        if (DropCommentLines && !key.empty() && key.front() == ';') continue;
        names.emplace_back(key);
    }
}

void TSettingsFile::ReadSections(std::vector<std::string>& names) const {
    names.clear();
    for (int i = 0; i < sections_.Count(); ++i) names.push_back(sections_.At(i).Name());
}

void TSettingsFile::ReadSectionValues(std::string_view section,
                                      std::vector<std::string>& lines) const {
    if (ClearBeforeSectionRead) lines.clear();
    int index = FindSection(section);
    if (index < 0) return;
    const TSettingsSection& s = sections_.At(index);
    for (std::size_t k = 0; k < s.Count(); ++k) lines.emplace_back(s.Line(k));
}

bool TSettingsFile::ValueExists(std::string_view section, std::string_view key) const {
    if (DropCommentLines && !key.empty() && key.front() == ';') return false;
    return FindKey(section, key).line >= 0;
}

void TSettingsFile::WriteLine(std::string_view section, std::string_view key, std::string line) {
    TSettingsSection& s = SectionForWrite(section);
    int index = s.FindKey(key);
    if (index < 0) {
        s.Append(line);
        changed_ = true;
    } else if (s.Line(static_cast<std::size_t>(index)) != line) {
        s.SetLine(static_cast<std::size_t>(index), line);
        changed_ = true;
    }
}

void TSettingsFile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    if (key.empty()) {
        if (!section.empty() || !value.empty()) {
            EraseSection(section);
        } else {
            UpdateFile();
        }
        return;
    }
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append("=").append(value);
    if (line.size() > kMaxLine) line.resize(kMaxLine);
    WriteLine(section, key, std::move(line));
}

void TSettingsFile::WriteLongString(std::string_view section, std::string_view key,
                                    std::string_view value) {
    if (key.empty()) {
        WriteString(section, key, value);
        return;
    }
    std::string line;
    line.append(key).append("=").append(value);
    WriteLine(section, key, std::move(line));
}

void TSettingsFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}
void TSettingsFile::WriteDate(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, DateToText(value));
}
void TSettingsFile::WriteDateTime(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, DateTimeToText(value));
}
void TSettingsFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FloatToText(value));
}
void TSettingsFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}
void TSettingsFile::WriteTime(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, TimeToText(value));
}

}  // namespace tessaly
