#pragma once
// The "archive" commands of the command-line front end: building the browsable site of an
// output folder, and writing a group's messages as an mbox file.

#include <string>

namespace tessaly::cli {

// `archive build DIR`; the exit status.
[[nodiscard]] int RunArchiveBuild(const std::string& folder);
// `archive mbox DIR GROUP --out FILE`; the exit status.
[[nodiscard]] int RunArchiveMbox(const std::string& folder, const std::string& group,
                                 const std::string& file);

}  // namespace tessaly::cli
