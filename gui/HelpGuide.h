#pragma once
// Where the user guide is: installed beside the program (share/doc/tessaly/guide/) or, for a
// program run from its build folder, in the source tree it was built from.

#include <string>

namespace tessaly::gui {

// The guide's index.html; "" when it cannot be found.
[[nodiscard]] std::string HelpGuidePath();

}  // namespace tessaly::gui
