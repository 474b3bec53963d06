#include "registry/ProgramRegistry.h"

#include <bit>

#include "platform/RegistryStore.h"
#include "registry/RegistryLayout.h"
#include "settings/DownloadOptions.h"
#include "text/Scramble.h"

namespace tessaly {
namespace {

std::optional<RegValue> Read(const char* name) {
    return ThreadRegistry().ReadValue(RegRoot::CurrentUser, reg::kKey, name);
}

void Write(const char* name, const RegValue& value) {
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, reg::kKey, name, value);
}

std::string ReadText(const char* name) {
    auto v = Read(name);
    return v && v->IsString() ? v->data : std::string();
}

std::optional<bool> ReadFlag(const char* name) {
    auto v = Read(name);
    if (!v) return std::nullopt;
    auto n = v->AsDword();
    if (!n) return std::nullopt;
    return *n != 0;
}

}  // namespace

void MarkStartValue() {
    if (ReadText(reg::kStartValue) != reg::kStartValueData)
        Write(reg::kStartValue, RegValue::String(reg::kStartValueData));
}

void StoreUserName(const std::string& userName) {
    Write(reg::kUMask, RegValue::String(ScrambleText(userName, kUserNameScrambleKey)));
}

std::string StoredUserName() {
    return UnscrambleText(ReadText(reg::kUMask), kUserNameScrambleKey);
}

bool PasswordStoringAllowed() {
    auto noPass = ReadFlag(reg::kNoPass);
    return noPass.has_value() && !*noPass;
}

bool StorePassword(const std::string& password) {
    if (!PasswordStoringAllowed()) return false;
    Write(reg::kPersistence, RegValue::String(ScrambleText(password, kPasswordScrambleKey)));
    return true;
}

std::string StoredPassword() {
    return UnscrambleText(ReadText(reg::kPersistence), kPasswordScrambleKey);
}

std::uint32_t SectionToDLMode(std::uint8_t section) {
    switch (section) {
        case TYahooDownloadOptions::kSectionFiles:
            return 0;
        case TYahooDownloadOptions::kSectionPhotos:
            return 1;
        case TYahooDownloadOptions::kSectionMessages:
            return 2;
        default:
            return 3;
    }
}

std::uint8_t DLModeToSection(std::optional<std::uint32_t> mode) {
    if (mode == 1u) return TYahooDownloadOptions::kSectionPhotos;
    if (mode == 2u) return TYahooDownloadOptions::kSectionMessages;
    return TYahooDownloadOptions::kSectionFiles;
}

void WriteDLMode(std::uint8_t section) {
    Write(reg::kDLMode, RegValue::Dword(SectionToDLMode(section)));
}

std::uint8_t ReadDLMode() {
    auto v = Read(reg::kDLMode);
    return DLModeToSection(v ? v->AsDword() : std::nullopt);
}

bool ReadUseCache() {
    return ReadFlag(reg::kUseCache).value_or(false);
}
void WriteUseCache(bool useCache) {
    Write(reg::kUseCache, RegValue::Dword(useCache ? 1u : 0u));
}

std::optional<TDateTime> ReadUpdatedCheckedOn() {
    auto v = Read(reg::kUpdatedCheckedOn);
    if (!v || v->data.size() != 8) return std::nullopt;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(v->data[static_cast<std::size_t>(i)]);
    return std::bit_cast<double>(bits);
}

void WriteUpdatedCheckedOn(TDateTime when) {
    auto bits = std::bit_cast<std::uint64_t>(when);
    std::string bytes(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    Write(reg::kUpdatedCheckedOn, RegValue::Binary(std::move(bytes)));
}

bool ReadOldFormat() {
    return ReadFlag(reg::kOldFormat).value_or(false);
}

}  // namespace tessaly
