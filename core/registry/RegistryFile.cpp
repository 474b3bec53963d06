#include "registry/RegistryFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>

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

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return lines;
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
        const std::string digits = Trim(data.substr(pos + 1));
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
    // Every run of hexadecimal digits is one byte (the low 8 bits of its value).
    std::string bytes;
    int value = -1;
    for (std::size_t i = pos + 1; i <= data.size(); ++i) {
        const int d = i < data.size() ? HexDigit(data[i]) : -1;
        if (d >= 0) {
            value = ((value < 0 ? 0 : value) * 16 + d) & 0xFF;
        } else if (value >= 0) {
            bytes.push_back(static_cast<char>(value));
            value = -1;
        }
    }
    return RegValue{type, std::move(bytes)};
}

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

void TRegistryFile::WriteValue(const std::string& keyPath, const std::string* name,
                               const RegValue* value) {
    if (!anyKeyWritten_ || keyPath != lastKeyPath_) {
        lines_.emplace_back();
        std::string keyLine = "[" + std::string(RegRootName(root_));
        if (!keyPath.empty()) keyLine += "\\" + keyPath;
        lines_.push_back(keyLine + "]");
        lastKeyPath_ = keyPath;
        anyKeyWritten_ = true;
    }
    if (name == nullptr || value == nullptr) return;  // a key without values
    std::string line = name->empty() ? std::string("@=") : "\"" + Escape(*name) + "\"=";
    if (value->type == REG_SZ && !NeedsBytes(value->data)) {
        lines_.push_back(line + "\"" + Escape(value->data) + "\"");
        return;
    }
    if (value->type == REG_DWORD && value->data.size() == 4) {
        char hex[9];
        const auto [end, ec] = std::to_chars(hex, hex + 8, *value->AsDword(), 16);
        std::string digits(hex, end);
        lines_.push_back(line + "dword:" + std::string(8 - digits.size(), '0') + digits);
        return;
    }
    // Bytes, as exact as the store keeps them: a string that a text line cannot carry, a
    // number of an unusual length and every other type.
    line += value->type == REG_BINARY ? std::string("hex:")
                                      : "hex(" + std::to_string(value->type) + "):";
    const std::string& bytes = value->data;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        const std::string piece = HexByte(static_cast<unsigned char>(bytes[i])) + (last ? "" : ",");
        const bool wrap = !last && line.size() + piece.size() >= kWrapColumn;
        line += piece;
        if (wrap) {
            lines_.push_back(line + "\\");
            line = "  ";
        }
    }
    lines_.push_back(line);
}

void TRegistryFile::Walk(const std::string& keyPath) {
    std::vector<std::pair<std::string, RegValue>> values;
    std::vector<std::string> subKeys;
    try {
        if (!store_.KeyExists(root_, keyPath)) return;  // gone meanwhile: nothing to write
    } catch (const ERegistryException& e) {
        throw ERegistryFileException(e.Code(), e.what(), "Unable to query key info");
    }
    try {
        values = store_.Values(root_, keyPath);
    } catch (const ERegistryException& e) {
        throw ERegistryFileException(e.Code(), e.what(), "Unable to get value info");
    }
    if (values.empty()) {
        WriteValue(keyPath, nullptr, nullptr);
    } else {
        for (const auto& [name, value] : values) WriteValue(keyPath, &name, &value);
    }
    try {
        subKeys = store_.SubKeyNames(root_, keyPath);
    } catch (const ERegistryException& e) {
        throw ERegistryFileException(e.Code(), e.what(), "Unable to query key info");
    }
    for (const auto& sub : subKeys) Walk(keyPath.empty() ? sub : keyPath + "\\" + sub);
}

std::string TRegistryFile::Gather(std::optional<ERegistryFileException>& failure) {
    lines_ = {"REGEDIT4"};
    lastKeyPath_.clear();
    anyKeyWritten_ = false;
    try {
        Walk(currentPath_);
    } catch (const ERegistryFileException& e) {
        failure = e;  // the caller still gets the lines gathered so far
    }
    lines_.emplace_back();
    std::string text;
    for (const auto& line : lines_) text += line + "\r\n";
    lines_.clear();
    return text;
}

std::string TRegistryFile::ExportText() {
    std::optional<ERegistryFileException> failure;
    std::string text = Gather(failure);
    if (failure) throw *failure;
    return text;
}

void TRegistryFile::ExportKey(const std::string& fileName) {
    std::optional<ERegistryFileException> failure;
    const std::string text = Gather(failure);
    SaveFileAtomically(fileName, text);
    // The file carries the scrambled login data: readable by its owner only, as the store is.
    std::error_code ec;
    std::filesystem::permissions(
        fileName, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
    if (ec) throw EFileError("cannot restrict the permissions of", fileName, ec.value());
    if (failure) throw *failure;
}

void TRegistryFile::ImportRegFile(const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) throw EFileError("cannot read", fileName, errno);
    std::string content;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw EFileError("cannot read", fileName, error != 0 ? error : EIO);
    ImportText(content, fileName);
}

void TRegistryFile::ImportText(std::string_view text, const std::string& fileName) {
    const std::vector<std::string> lines = SplitLines(text);
    std::size_t header = 0;
    while (header < lines.size()) {
        const std::string t = Trim(lines[header]);
        if (!t.empty() && t[0] != ';') break;
        ++header;
    }
    if (header >= lines.size() || lines[header] != "REGEDIT4")
        throw ERegistryException("Bad file format.  Missing REGEDIT4 in first line.");

    std::optional<RegRoot> keyRoot;
    std::string keyPath;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        std::string line = Trim(lines[i]);
        while (!line.empty() && line.back() == '\\') {
            line.pop_back();
            if (i + 1 >= lines.size()) break;
            line += TrimRight(lines[++i]);
        }
        if (line.empty() || line[0] == ';') continue;
        try {
            if (line[0] == '[') {
                if (line.back() != ']') throw SyntaxError{};
                const std::string inner = line.substr(1, line.size() - 2);
                const auto slash = inner.find('\\');
                if (slash == std::string::npos) throw SyntaxError{};
                const auto root = RegFileRootFromName(std::string_view(inner).substr(0, slash));
                const std::string path = TrimPath(std::string_view(inner).substr(slash + 1));
                if (!root || path.empty()) throw SyntaxError{};
                store_.CreateKey(*root, path);
                keyRoot = root;
                keyPath = path;
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
                const RegValue value = ReadData(std::string_view(line).substr(pos));
                try {
                    store_.WriteValue(*keyRoot, keyPath, name, value);
                } catch (const ERegistryException&) {
                    throw ERegistryException("Unable to set registry data for " + name);
                }
            } else {
                throw SyntaxError{};
            }
        } catch (const SyntaxError&) {
            throw ERegistryException("Syntax error in reg file " + fileName + " at line " +
                                     std::to_string(i - header));
        }
    }
}

}  // namespace tessaly
