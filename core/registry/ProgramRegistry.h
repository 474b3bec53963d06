#pragma once
// The program's own values under its registry key: the stored login, the section of the last
// run, the use-cache choice of the login, the date of the last update check and the folder layout
// switch.

#include <cstdint>
#include <optional>
#include <string>

#include "text/DateTime.h"

namespace tessaly {

// Writes StartValue = "2" when the stored text differs.
void MarkStartValue();

// UMask: the user name, scrambled.
void StoreUserName(const std::string& userName);
[[nodiscard]] std::string StoredUserName();
// Persistence: the password, scrambled; written only when NoPass exists and reads as false.
// Returns whether it was stored.
bool StorePassword(const std::string& password);
[[nodiscard]] std::string StoredPassword();
[[nodiscard]] bool PasswordStoringAllowed();

// DLMode keeps the section in its own coding: 0 Files, 1 Photos, 2 messages, 3 attachments.
[[nodiscard]] std::uint32_t SectionToDLMode(std::uint8_t section);
[[nodiscard]] std::uint8_t DLModeToSection(std::optional<std::uint32_t> mode);  // others: Files
void WriteDLMode(std::uint8_t section);
[[nodiscard]] std::uint8_t ReadDLMode();

[[nodiscard]] bool ReadUseCache();  // missing: false
void WriteUseCache(bool useCache);

// UpdatedCheckedOn: 8 bytes, an OLE Automation date.
[[nodiscard]] std::optional<TDateTime> ReadUpdatedCheckedOn();
void WriteUpdatedCheckedOn(TDateTime when);

// OldFormat: the output folder layout switch (never written by the program).
[[nodiscard]] bool ReadOldFormat();

}  // namespace tessaly
