#pragma once
// Line ends of saved message pages. A message file holds the page's lines, each ended by CR LF,
// the last one too, whatever line ends the service sent: files of earlier versions and the tools
// that read them expect that.

#include <string>
#include <string_view>

namespace tessaly {

// `text` as lines each ended by CR LF. A line ends at CR LF, at a lone LF or at a lone CR; a text
// that ends with a line end has no empty line after it, and an empty text has no lines. Returns
// `text` itself when its lines end that way already (nothing is copied), else the text converted
// into `buffer` (one copy).
[[nodiscard]] std::string_view CrLfLines(std::string_view text, std::string& buffer);

}  // namespace tessaly
