#include "registry/RegistryFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>

#include "platform/FileLock.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr RegRoot kAllRoots[] = {
    RegRoot::ClassesRoot,     RegRoot::CurrentUser,   RegRoot::LocalMachine, RegRoot::Users,
    RegRoot::PerformanceData, RegRoot::CurrentConfig, RegRoot::DynData};

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// Bytes a quoted text line cannot carry: a zero byte, and the line breaks.
bool NeedsBytes(std::string_view text) {
    return text.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos;
}

std::string HexByte(unsigned char b) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string TrimPath(std::string_view path) {
    std::string out;
    for (std::string_view rest = path; !rest.empty();) {
        const auto slash = rest.find('\\');
        const std::string_view part = rest.substr(0, slash);
        if (!part.empty()) {
            if (!out.empty()) out += '\\';
            out += part;
        }
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return out;
}

// Trim and TrimRight without a copy: characters 0..32 at the ends.
std::string_view TrimView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

std::string_view TrimRightView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

std::size_t KeyDepth(std::string_view path) {
    return path.empty() ? 0
                        : static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) + 1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Why a line could not be read; turned into the syntax error with the line's number.
struct SyntaxError {};

// A quoted text starting at text[pos] (a double quote): escapes are read from left to right, a
// backslash making the next character literal; pos ends after the closing quote.
std::string ReadQuoted(std::string_view text, std::size_t& pos) {
    std::string out;
    ++pos;  // the opening quote
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') return out;
        if (c == '\\') {
            if (pos >= text.size()) break;
            out.push_back(text[pos++]);
        } else {
            out.push_back(c);
        }
    }
    throw SyntaxError{};  // no closing quote
}

void SkipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
}

RegValue ReadData(std::string_view data) {
    if (!data.empty() && data[0] == '"') {
        std::size_t pos = 0;
        std::string text = ReadQuoted(data, pos);
        if (pos != data.size()) throw SyntaxError{};  // something after the closing quote
        return RegValue::String(std::move(text));
    }
    std::size_t pos = 0;
    while (pos < data.size() && data[pos] != ' ' && data[pos] != '(' && data[pos] != ':') ++pos;
    const std::string word = LowerCase(data.substr(0, pos));
    if (word == "dword") {
        SkipBlanks(data, pos);
        if (pos >= data.size() || data[pos] != ':') throw SyntaxError{};
        const std::string_view digits = TrimView(data.substr(pos + 1));
        std::uint32_t number = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
            throw SyntaxError{};
        return RegValue::Dword(number);
    }
    if (word != "hex") throw SyntaxError{};
    std::uint32_t type = REG_BINARY;
    if (pos < data.size() && data[pos] == '(') {
        const auto close = data.find(')', pos);
        if (close == std::string_view::npos) throw SyntaxError{};
        const std::string_view number = data.substr(pos + 1, close - pos - 1);
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), type);
        if (number.empty() || ec != std::errc() || end != number.data() + number.size())
            throw SyntaxError{};
        pos = close + 1;
    }
    SkipBlanks(data, pos);
    if (pos >= data.size() || data[pos] != ':') throw SyntaxError{};
    // Two hexadecimal digits a byte, commas between them; blanks may stand around each byte
    // (a continued line goes on after its indent). Anything else is no byte list.
    std::string bytes;
    std::size_t i = pos + 1;
    SkipBlanks(data, i);
    if (i < data.size()) {
        bytes.reserve((data.size() - i + 1) / 3);
        for (;;) {
            if (i + 2 > data.size()) throw SyntaxError{};
            const int high = HexDigit(data[i]);
            const int low = HexDigit(data[i + 1]);
            if (high < 0 || low < 0) throw SyntaxError{};
            bytes.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            SkipBlanks(data, i);
            if (i == data.size()) break;
            if (data[i] != ',') throw SyntaxError{};
            ++i;
            SkipBlanks(data, i);
        }
    }
    return RegValue{type, std::move(bytes)};
}

// The export's text, appended key by key.
class TextWriter {
public:
    explicit TextWriter(RegRoot root) : root_(root) { text_ = "REGEDIT4\r\n"; }

    void Key(const std::string& keyPath) {
        text_ += "\r\n[";
        text_ += RegRootName(root_);
        if (!keyPath.empty()) {
            text_ += '\\';
            text_ += keyPath;
        }
        text_ += "]\r\n";
    }

    void Value(const std::string& name, const RegValue& value) {
        std::string line = name.empty() ? std::string("@=") : "\"" + Escape(name) + "\"=";
        if (value.type == REG_SZ && !NeedsBytes(value.data)) {
            Line(line + "\"" + Escape(value.data) + "\"");
            return;
        }
        if (value.type == REG_DWORD && value.data.size() == 4) {
            char hex[9];
            const auto [end, ec] = std::to_chars(hex, hex + 8, *value.AsDword(), 16);
            const std::string digits(hex, end);
            Line(line + "dword:" + std::string(8 - digits.size(), '0') + digits);
            return;
        }
        // Bytes, as exact as the store keeps them: a string that a text line cannot carry, a
        // number of an unusual length and every other type.
        line += value.type == REG_BINARY ? std::string("hex:")
                                         : "hex(" + std::to_string(value.type) + "):";
        const std::string& bytes = value.data;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const bool last = i + 1 == bytes.size();
            const std::string piece =
                HexByte(static_cast<unsigned char>(bytes[i])) + (last ? "" : ",");
            const bool wrap = !last && line.size() + piece.size() >= TRegistryFile::kWrapColumn;
            line += piece;
            if (wrap) {
                Line(line + "\\");
                line = "  ";
            }
        }
        Line(line);
    }

    std::string Finish() {
        text_ += "\r\n";
        return std::move(text_);
    }

private:
    void Line(const std::string& line) {
        text_ += line;
        text_ += "\r\n";
    }

    RegRoot root_;
    std::string text_;
};

}  // namespace

ERegistryFileException::ERegistryFileException(int code, const std::string& systemText,
                                               const std::string& operation)
    : ERegistryException("Error " + std::to_string(code) +
                             (systemText.empty() ? std::string() : " : " + systemText) + ":" +
                             operation,
                         code) {}

std::optional<RegRoot> RegFileRootFromName(std::string_view name) {
    for (RegRoot root : kAllRoots) {
        if (RegRootName(root) == name) return root;
    }
    return std::nullopt;
}

void TRegistryFile::OpenKey(std::string_view keyPath) {
    currentPath_ = TrimPath(keyPath);
    store_.CreateKey(root_, currentPath_);
}

std::string TRegistryFile::Gather(std::optional<ERegistryFileException>& failure,
                                  std::string& leftOut) {
    TextWriter text(root_);
    std::vector<RegTreeKey> keys;
    try {
        keys = store_.KeyTree(root_, currentPath_);
    } catch (const ERegistryException& e) {
        failure = ERegistryFileException(e.Code(), e.what(), "Unable to query key info");
        return text.Finish();
    }
    // The tree in walk order (a key's values, then its sub-keys depth-first, in the order the
    // store lists them), by the keys' ids: each key's path is made once, from its parent's.
    std::unordered_map<std::int64_t, std::size_t> indexOf;
    indexOf.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) indexOf.emplace(keys[i].id, i);
    std::vector<std::vector<std::size_t>> children(keys.size());
    for (std::size_t i = 1; i < keys.size(); ++i) {
        const auto parent = indexOf.find(keys[i].parent);
        if (parent != indexOf.end()) children[parent->second].push_back(i);
    }
    struct Pending {
        std::size_t index;
        std::string path;
        std::size_t depth;
    };
    std::size_t tooDeep = 0;
    std::string firstTooDeep;
    std::vector<Pending> stack;
    if (!keys.empty()) stack.push_back({0, currentPath_, KeyDepth(currentPath_)});
    while (!stack.empty()) {
        Pending key = std::move(stack.back());
        stack.pop_back();
        if (key.depth > kMaxKeyDepth) {
            // Such a key could not be imported again; it and its sub-keys are left out.
            if (tooDeep++ == 0) firstTooDeep = key.path;
            continue;
        }
        text.Key(key.path);
        for (const auto& [name, value] : keys[key.index].values) text.Value(name, value);
        const auto& subs = children[key.index];
        for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
            stack.push_back({*it,
                             key.path.empty() ? keys[*it].name : key.path + "\\" + keys[*it].name,
                             key.depth + 1});
        }
    }
    if (tooDeep > 0) {
        if (firstTooDeep.size() > 200) firstTooDeep = firstTooDeep.substr(0, 200) + "...";
        leftOut = std::to_string(tooDeep) + " key(s) nested deeper than " +
                  std::to_string(kMaxKeyDepth) +
                  " levels were left out (the first: " + firstTooDeep + ")";
    }
    return text.Finish();
}

std::string TRegistryFile::ExportText() {
    std::optional<ERegistryFileException> failure;
    std::string leftOut;
    std::string text = Gather(failure, leftOut);
    if (failure) throw *failure;
    if (!leftOut.empty()) throw ERegistryException(leftOut);
    return text;
}

void TRegistryFile::ExportKey(const std::string& fileName) {
    std::optional<ERegistryFileException> failure;
    std::string leftOut;
    const std::string text = Gather(failure, leftOut);
    SaveFileAtomically(fileName, text);
    // The file carries the scrambled login data: readable by its owner only, as the store is.
    std::error_code ec;
    std::filesystem::permissions(
        fileName, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
    if (ec) throw EFileError("cannot restrict the permissions of", fileName, ec.value());
    if (failure) throw *failure;
    if (!leftOut.empty()) throw ERegistryException(leftOut);
}

// The physical lines of a file or a text, without their line ends ("\n", "\r\n"), one at a
// time: a file is read in pieces, so memory grows with its longest line only.
class TRegistryFile::LineReader {
public:
    LineReader(std::string_view text, std::string fileName)
        : fileName_(std::move(fileName)), text_(text) {}
    LineReader(std::FILE* file, std::string fileName)
        : fileName_(std::move(fileName)), file_(file) {}

    // The next line (valid until the next call); false at the end. A line longer than the
    // limit is refused before it is read whole.
    bool Next(std::string_view& line) {
        ++number_;
        if (file_ == nullptr) {
            if (text_.empty()) return false;
            const auto lf = text_.find('\n');
            line = text_.substr(0, lf);
            text_.remove_prefix(lf == std::string_view::npos ? text_.size() : lf + 1);
        } else if (!NextFromFile(line)) {
            return false;
        }
        if (line.size() > kMaxLineBytes) TooLong();
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    // The number of the line Next gave last: the first is 1 until CountFromHere makes the line
    // given last line 0 (the header's, from which the lines of a reg file are counted).
    [[nodiscard]] std::size_t Number() const { return number_ - origin_; }
    void CountFromHere() { origin_ = number_; }
    [[noreturn]] void TooLong() const {
        throw ERegistryException("Line " + std::to_string(Number()) + " of reg file " + fileName_ +
                                 " is longer than " + std::to_string(kMaxLineBytes >> 20) +
                                 " MB: nothing was imported");
    }

private:
    bool NextFromFile(std::string_view& line) {
        for (;;) {
            const std::size_t lf = buffer_.find('\n', scanned_);
            if (lf != std::string::npos) {
                line = std::string_view(buffer_).substr(start_, lf - start_);
                start_ = scanned_ = lf + 1;
                return true;
            }
            scanned_ = buffer_.size();
            if (scanned_ - start_ > kMaxLineBytes) TooLong();
            // Keep the unfinished line, drop the lines already handed out, and read on.
            buffer_.erase(0, start_);
            scanned_ -= start_;
            start_ = 0;
            const std::size_t had = buffer_.size();
            buffer_.resize(had + kPiece);
            const std::size_t n = std::fread(buffer_.data() + had, 1, kPiece, file_);
            buffer_.resize(had + n);
            if (n == 0) {
                if (std::ferror(file_) != 0)
                    throw EFileError("cannot read", fileName_, errno != 0 ? errno : EIO);
                if (buffer_.empty()) return false;
                line = buffer_;  // the last line, without a line end
                start_ = scanned_ = buffer_.size();
                return true;
            }
        }
    }

    static constexpr std::size_t kPiece = 1 << 20;
    std::string fileName_;
    std::string_view text_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    std::size_t start_ = 0;    // where the next line starts in buffer_
    std::size_t scanned_ = 0;  // how far buffer_ is known to hold no line end
    std::size_t number_ = 0;
    std::size_t origin_ = 0;
};

void TRegistryFile::ImportRegFile(const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) throw EFileError("cannot read", fileName, errno);
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) throw EFileError("cannot read", fileName, errno);
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
        throw ERegistryException("The reg file " + fileName + " is larger than " +
                                 std::to_string(kMaxFileBytes >> 20) + " MB: nothing was imported");
    LineReader reader(file, fileName);
    Import(reader, fileName);
}

void TRegistryFile::ImportText(std::string_view text, const std::string& fileName) {
    LineReader reader(text, fileName);
    Import(reader, fileName);
}

void TRegistryFile::Import(LineReader& reader, const std::string& fileName) {
    std::string_view physical;
    bool found = false;
    while ((found = reader.Next(physical))) {
        const std::string_view t = TrimView(physical);
        if (!t.empty() && t[0] != ';') break;
    }
    if (!found || physical != "REGEDIT4")
        throw ERegistryException("Bad file format.  Missing REGEDIT4 in first line.");
    reader.CountFromHere();

    // One transaction for the file. The values of one key are handed to the store in groups,
    // so the key's path is resolved once a group, not once a value.
    TRegistryStore::TWriteBatch batch(store_);
    std::optional<RegRoot> keyRoot;
    std::string keyPath;
    std::vector<std::pair<std::string, RegValue>> pending;
    std::size_t pendingBytes = 0;
    auto flush = [&] {
        if (pending.empty()) return;
        try {
            store_.WriteValues(*keyRoot, keyPath, pending);
        } catch (const ERegistryException&) {
            throw ERegistryException("Unable to set registry data for " + pending.front().first);
        }
        pending.clear();
        pendingBytes = 0;
    };
    std::string line;
    std::optional<std::size_t> syntaxErrorAt;
    while (reader.Next(physical)) {
        line.assign(TrimView(physical));
        while (!line.empty() && line.back() == '\\') {
            line.pop_back();
            if (!reader.Next(physical)) break;
            const std::string_view more = TrimRightView(physical);
            if (line.size() + more.size() > kMaxLineBytes) reader.TooLong();
            line.append(more);
        }
        if (line.empty() || line[0] == ';') continue;
        try {
            if (line[0] == '[') {
                if (line.back() != ']') throw SyntaxError{};
                const std::string_view inner = std::string_view(line).substr(1, line.size() - 2);
                const auto slash = inner.find('\\');
                if (slash == std::string::npos) throw SyntaxError{};
                const auto root = RegFileRootFromName(inner.substr(0, slash));
                std::string path = TrimPath(inner.substr(slash + 1));
                if (!root || path.empty()) throw SyntaxError{};
                if (KeyDepth(path) > kMaxKeyDepth)
                    throw ERegistryException(
                        "The key at line " + std::to_string(reader.Number()) + " of reg file " +
                        fileName + " is nested deeper than " + std::to_string(kMaxKeyDepth) +
                        " levels: nothing was imported");
                flush();
                store_.CreateKey(*root, path);
                keyRoot = root;
                keyPath = std::move(path);
            } else if (line[0] == '"' || line[0] == '@') {
                if (!keyRoot) throw SyntaxError{};  // a value before any key line
                std::size_t pos = 1;
                std::string name;
                if (line[0] == '"') {
                    pos = 0;
                    name = ReadQuoted(line, pos);
                }
                SkipBlanks(line, pos);
                if (pos >= line.size() || line[pos] != '=') throw SyntaxError{};
                ++pos;
                SkipBlanks(line, pos);
                RegValue value = ReadData(std::string_view(line).substr(pos));
                pendingBytes += name.size() + value.data.size();
                pending.emplace_back(std::move(name), std::move(value));
                if (pending.size() >= 4096 || pendingBytes >= (std::size_t{4} << 20)) flush();
            } else {
                throw SyntaxError{};
            }
        } catch (const SyntaxError&) {
            syntaxErrorAt = reader.Number();
            break;
        }
    }
    // The values before a syntax error stay written.
    flush();
    batch.Commit();
    if (syntaxErrorAt)
        throw ERegistryException("Syntax error in reg file " + fileName + " at line " +
                                 std::to_string(*syntaxErrorAt));
}

}  // namespace tessaly
