#pragma once
// Whole-file helpers.

#include <string>
#include <string_view>

namespace tessaly {

// Creates or replaces the file with the text's bytes (atomically: a failure leaves the old
// file). Raises EFileError.
void WriteTextFile(const std::string& fileName, std::string_view text);

}  // namespace tessaly
