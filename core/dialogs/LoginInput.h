#pragma once
// Checks of what the member typed into the login box.

#include <string>
#include <string_view>

#include "dialogs/Dialogs.h"

namespace tessaly {

// True when the text has a non-blank part before its first "@" and a part after it that
// contains ".".
[[nodiscard]] bool LooksLikeEmail(std::string_view text);

// Checks the user name and password; on the first problem tells the user through `dialogs`
// (a warning) and returns false.
[[nodiscard]] bool CheckLoginInput(IDialogs& dialogs, const std::string& userName,
                                   const std::string& password);

}  // namespace tessaly
