// ParseURL and UrlDecode on arbitrary bytes: no crash, and host and path never grow beyond the
// input.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/UrlUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tessaly::UrlDecode(text).size() > size) std::abort();
    tessaly::ParsedUrl p = tessaly::ParseURL(text);
    if (p.host.size() + p.path.size() > size) std::abort();  // a scheme may be implied ("mailto")
    return 0;
}
