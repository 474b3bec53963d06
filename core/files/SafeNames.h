#pragma once
// Names from the service or the member made into names of files and folders. Whatever a name
// holds (dots, slashes, backslashes, encodings, NUL bytes, any length), the result is one path
// segment that stays inside the folder it is joined to.

#include <string>
#include <string_view>

namespace tessaly {

// The file-name cleaner of the downloads: "<" "%3C", ":" "_", "\" "_", ">" "%3E", "*" "%2A",
// "?" "%3F" and the double quote "%22", every occurrence, in that order.
[[nodiscard]] std::string CreateProperFilename(std::string_view name);
// The same for a folder name, without the backslash rule.
[[nodiscard]] std::string MakeSafeFolderName(std::string_view name);

// The longest name a file system here takes, in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

// One safe path segment: trimmed; "/", "\" and NUL become "_", every ".." becomes "_"; an empty
// name or "." becomes "_"; a name longer than kMaxNameBytes is cut (at a character boundary of
// UTF-8) keeping its extension when the extension is short.
[[nodiscard]] std::string SafeSegment(std::string_view name);

// A folder path of the service ("/Minutes/2004/", URL-encoded) as a relative folder of safe
// segments ("Minutes/2004/"; "" for the top folder): each segment is URL-decoded, cleaned by
// MakeSafeFolderName and made a safe segment, so a decoded "/" or ".." never climbs.
[[nodiscard]] std::string SafeFolderPath(std::string_view servicePath);

}  // namespace tessaly
