#pragma once
// The site's fixed files: the style sheet, the search page and the search script.

#include <string>

namespace tessaly::archive {

[[nodiscard]] const std::string& StyleSheet();
[[nodiscard]] const std::string& SearchPage();
[[nodiscard]] const std::string& SearchScript();

}  // namespace tessaly::archive
