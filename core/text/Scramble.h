#pragma once
// Scrambling of the login data the program stores. This hides a password from a casual look at
// the stored settings; it is not encryption.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// The two start keys, fixed here for every place that stores login data: the user name (and the
// passwords of login profiles) under the first, the remembered password under the second.
inline constexpr std::uint16_t kUserNameScrambleKey = 0x5A3C;
inline constexpr std::uint16_t kPasswordScrambleKey = 0x2E91;

[[nodiscard]] std::string ScrambleText(std::string_view text, std::uint16_t key);
[[nodiscard]] std::string UnscrambleText(std::string_view text, std::uint16_t key);

}  // namespace tessaly
