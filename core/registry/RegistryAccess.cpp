#include "registry/RegistryAccess.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tessaly {
namespace {

std::string Bytes8(std::uint64_t v) {
    std::string out(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::optional<std::uint64_t> From8(const std::string& data) {
    if (data.size() != 8) return std::nullopt;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    return v;
}

std::optional<double> ToDouble(const TRegVariant& value) {
    if (auto* i = std::get_if<std::int32_t>(&value)) return static_cast<double>(*i);
    if (auto* b = std::get_if<bool>(&value)) return *b ? -1.0 : 0.0;
    if (auto* d = std::get_if<double>(&value)) return *d;
    const std::string& s = std::get<std::string>(value);
    double d = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return d;
}

std::optional<std::int32_t> ToInt(const TRegVariant& value) {
    if (auto* i = std::get_if<std::int32_t>(&value)) return *i;
    if (auto* b = std::get_if<bool>(&value)) return *b ? -1 : 0;
    if (auto* d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d) || *d > 2147483647.0 || *d < -2147483648.0) return std::nullopt;
        return static_cast<std::int32_t>(std::lround(*d));
    }
    const std::string& s = std::get<std::string>(value);
    std::int32_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<std::string> ToText(const TRegVariant& value) {
    if (auto* s = std::get_if<std::string>(&value)) return *s;
    if (auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
    if (auto* b = std::get_if<bool>(&value)) return std::string(*b ? "True" : "False");
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, std::get<double>(value));
    if (ec != std::errc()) return std::nullopt;
    return std::string(buf, p);
}

}  // namespace

void SplitValuePath(std::string_view valuePath, std::string& keyPath, std::string& name) {
    auto at = valuePath.rfind('\\');
    if (at == std::string_view::npos) {
        keyPath.clear();
        name = std::string(valuePath);
        return;
    }
    keyPath = std::string(valuePath.substr(0, at));
    name = std::string(valuePath.substr(at + 1));
}

std::string ReadRegString(RegRoot root, std::string_view valuePath) {
    std::string key, name;
    SplitValuePath(valuePath, key, name);
    auto v = ThreadRegistry().ReadValue(root, key, name);
    return v && v->IsString() ? v->data : std::string();
}

void WriteRegString(RegRoot root, std::string_view valuePath, std::string_view text) {
    std::string key, name;
    SplitValuePath(valuePath, key, name);
    ThreadRegistry().WriteValue(root, key, name, RegValue::String(std::string(text)));
}

void DeleteRegValue(RegRoot root, std::string_view valuePath) {
    std::string key, name;
    SplitValuePath(valuePath, key, name);
    ThreadRegistry().DeleteValue(root, key, name);
}

void ReadRegValueNames(RegRoot root, std::string_view keyPath, std::vector<std::string>& list) {
    list = ThreadRegistry().ValueNames(root, keyPath);
}

void ReadRegKeyNames(RegRoot root, std::string_view keyPath, std::vector<std::string>& list) {
    list = ThreadRegistry().SubKeyNames(root, keyPath);
}

bool RegValueExists(RegRoot root, std::string_view valuePath) {
    std::string key, name;
    SplitValuePath(valuePath, key, name);
    return ThreadRegistry().ReadValue(root, key, name).has_value();
}

std::optional<TRegVariant> ReadRegValue(RegRoot root, std::string_view valuePath,
                                        TRegValueKind kind) {
    std::string key, name;
    SplitValuePath(valuePath, key, name);
    auto v = ThreadRegistry().ReadValue(root, key, name);
    if (!v) return std::nullopt;
    switch (kind) {
        case TRegValueKind::Integer:
            if (auto n = v->AsDword()) return TRegVariant(static_cast<std::int32_t>(*n));
            return std::nullopt;
        case TRegValueKind::Boolean:
            if (auto n = v->AsDword()) return TRegVariant(*n != 0);
            return std::nullopt;
        case TRegValueKind::String:
            if (v->IsString()) return TRegVariant(v->data);
            return std::nullopt;
        case TRegValueKind::Date:
        case TRegValueKind::Time:
        case TRegValueKind::Float:
            if (v->type != REG_BINARY) return std::nullopt;
            if (auto bits = From8(v->data)) return TRegVariant(std::bit_cast<double>(*bits));
            return std::nullopt;
        case TRegValueKind::Currency:
            if (v->type != REG_BINARY) return std::nullopt;
            if (auto bits = From8(v->data)) {
                return TRegVariant(static_cast<double>(static_cast<std::int64_t>(*bits)) / 10000.0);
            }
            return std::nullopt;
    }
    return std::nullopt;
}

bool WriteRegValue(RegRoot root, std::string_view valuePath, const TRegVariant& value,
                   TRegValueKind kind) {
    RegValue out;
    switch (kind) {
        case TRegValueKind::Integer: {
            auto n = ToInt(value);
            if (!n) return false;
            out = RegValue::Dword(static_cast<std::uint32_t>(*n));
            break;
        }
        case TRegValueKind::Boolean: {
            bool b = false;
            if (auto* pb = std::get_if<bool>(&value)) {
                b = *pb;
            } else if (auto n = ToInt(value)) {
                b = *n != 0;
            } else {
                return false;
            }
            out = RegValue::Dword(b ? 1u : 0u);
            break;
        }
        case TRegValueKind::String: {
            auto s = ToText(value);
            if (!s) return false;
            out = RegValue::String(*s);
            break;
        }
        case TRegValueKind::Date:
        case TRegValueKind::Time:
        case TRegValueKind::Float: {
            auto d = ToDouble(value);
            if (!d) return false;
            out = RegValue::Binary(Bytes8(std::bit_cast<std::uint64_t>(*d)));
            break;
        }
        case TRegValueKind::Currency: {
            auto d = ToDouble(value);
            if (!d || std::fabs(*d) > 9.2e14) return false;
            auto scaled = static_cast<std::int64_t>(std::llround(*d * 10000.0));
            out = RegValue::Binary(Bytes8(static_cast<std::uint64_t>(scaled)));
            break;
        }
    }
    std::string key, name;
    SplitValuePath(valuePath, key, name);
    try {
        ThreadRegistry().WriteValue(root, key, name, out);
    } catch (const ERegistryException&) {
        return false;  // the key could not be opened: reported as a value, not raised
    }
    return true;
}

}  // namespace tessaly
