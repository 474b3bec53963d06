#pragma once
// Decoding and splitting of web addresses.

#include <string>
#include <string_view>

namespace tessaly {

// "+" becomes a blank, "%%" a "%", "%" and two hexadecimal digits the byte they give. A "%"
// not followed by two hexadecimal digits ends the result there.
[[nodiscard]] std::string UrlDecode(std::string_view text);

struct ParsedUrl {
    std::string scheme;
    std::string host;
    std::string path;
    bool operator==(const ParsedUrl&) const = default;
};

// Splits an address into scheme, host and path by the first rule that fits: relative paths,
// "//host/path", http and https addresses, mail addresses, file paths, "scheme://host/path",
// "host:port/path" and "scheme:host/path".
[[nodiscard]] ParsedUrl ParseURL(std::string_view url);
void ParseURL(std::string_view url, std::string& scheme, std::string& host, std::string& path);

}  // namespace tessaly
