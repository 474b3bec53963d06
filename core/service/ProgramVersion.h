#pragma once
// The program's version, one constant for every program of the project (the project version
// of the build), and the form shown to the user.

#include <string>

namespace tessaly {

// "2.0.0": the version the build was made as.
[[nodiscard]] std::string ProgramVersion();
// The version as the user sees it, without trailing ".0" parts ("2" for 2.0.0, "2.1" for
// 2.1.0).
[[nodiscard]] std::string ProgramVersionText();

}  // namespace tessaly
