#pragma once
// Small pieces of text the site's pages and scripts are made of.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::archive {

// A relative path as a link: every byte but letters, digits, "-._~" and "/" percent-encoded,
// so names with blanks, "#", "?" or "%" link to themselves.
[[nodiscard]] std::string UrlPath(std::string_view path);
// A JavaScript string literal (double-quoted), safe inside a <script> file.
[[nodiscard]] std::string JsString(std::string_view text);
// "980 bytes", "12.3 KB", "4.0 MB".
[[nodiscard]] std::string SizeText(std::uint64_t bytes);
// A 64-bit FNV-1a hash as 16 hex digits, for names derived from paths.
[[nodiscard]] std::string HashName(std::string_view text);
// The head of a page of the site: `root` leads from the page to the site's folder ("",
// "../../").
[[nodiscard]] std::string PageHead(std::string_view title, std::string_view root);
[[nodiscard]] std::string PageFoot();

}  // namespace tessaly::archive
