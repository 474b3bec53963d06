#pragma once
// The system proxy setting. On this desktop it is given by the proxy environment variables
// (http_proxy, https_proxy, ftp_proxy, all_proxy, in lower or upper case; lower case wins).

#include <string>

namespace tessaly {

// The platform's proxy text, in the desktop form: empty when no proxy is set; one "host:port"
// when every protocol goes through the same proxy; otherwise blank-separated entries
// "http=host:port https=host:port ftp=host:port socks=host:port" for the protocols that have one.
[[nodiscard]] std::string SystemProxyText();

// The proxy of one protocol: 0 http, 1 https, 2 ftp, 3 gopher, 4 socks. A single proxy for all
// protocols is returned whole; otherwise the entry of the protocol (empty when it has none).
[[nodiscard]] std::string GetSystemProxy(int protocolIndex);

}  // namespace tessaly
