#pragma once
// The program's registry functions. A value path is a key path and a value name joined by "\"
// (for example "\Software\Tessaly2\UMask"); the split is at the last "\". The key is opened,
// and so created when missing, before every read or write. They work on the calling thread's
// registry store.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/RegistryStore.h"

namespace tessaly {

// The kinds of ReadRegValue / WriteRegValue.
enum class TRegValueKind {
    Integer = 0,
    Boolean = 1,
    String = 2,
    Date = 3,
    Time = 4,
    Float = 5,
    Currency = 6
};

// Integer -> int32; Boolean -> bool; String -> text; Date, Time, Float, Currency -> double
// (dates and times as OLE Automation dates).
using TRegVariant = std::variant<std::int32_t, bool, std::string, double>;

// The text of a string value; empty when the value is missing or not a text.
[[nodiscard]] std::string ReadRegString(RegRoot root, std::string_view valuePath);
// Throws ERegistryException when the store cannot be written.
void WriteRegString(RegRoot root, std::string_view valuePath, std::string_view text);
void DeleteRegValue(RegRoot root, std::string_view valuePath);
void ReadRegValueNames(RegRoot root, std::string_view keyPath, std::vector<std::string>& list);
void ReadRegKeyNames(RegRoot root, std::string_view keyPath, std::vector<std::string>& list);
[[nodiscard]] bool RegValueExists(RegRoot root, std::string_view valuePath);

// Reads a value as the given kind: integers and booleans from 32-bit numbers, texts from string
// values, the others from 8-byte binary values (currency as a 64-bit count of ten-thousandths).
// Nothing when the value is missing, has another type or cannot be read.
[[nodiscard]] std::optional<TRegVariant> ReadRegValue(RegRoot root, std::string_view valuePath,
                                                      TRegValueKind kind);
// Writes `value` converted to the given kind; false when the key cannot be opened or the value
// cannot be converted to that kind.
bool WriteRegValue(RegRoot root, std::string_view valuePath, const TRegVariant& value,
                   TRegValueKind kind);

// Splits a value path at its last "\" into key path and value name.
void SplitValuePath(std::string_view valuePath, std::string& keyPath, std::string& name);

}  // namespace tessaly
