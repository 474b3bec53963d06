#pragma once
// Version numbers made of decimal parts separated by "." ("2", "2.1", "2.10", "2.0.1"),
// compared part by part as integers: 2.10 is newer than 2.9, 10 newer than 2, and missing
// parts count as 0 (2 and 2.0 are the same version).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The parts of a version text, or nothing when it is not one: empty, a character other than a
// digit or ".", an empty part ("2..1", ".5", "2.") or a part too large for 32 bits.
[[nodiscard]] std::optional<std::vector<std::uint32_t>> ParseVersion(std::string_view text);

// Negative, zero or positive as a is older than, the same as or newer than b.
[[nodiscard]] int CompareVersions(const std::vector<std::uint32_t>& a,
                                  const std::vector<std::uint32_t>& b);

// A version text without its trailing ".0" parts ("2.0.0" gives "2", "2.10" stays); a text
// that is not a version is returned as it is.
[[nodiscard]] std::string VersionDisplayText(std::string_view text);

}  // namespace tessaly
