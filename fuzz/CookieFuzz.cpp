// The cookie file and Set-Cookie headers from arbitrary bytes: lines that start "Set-Cookie: "
// are headers received for a page of the service, the other lines the cookie file. Reading and
// taking never fail, and the persistent cookies the store holds read back the same from the
// file it wrote.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzSupport.h"
#include "net/CookieStore.h"

namespace {

using namespace tessaly;

auto Persistent(const TCookieStore& store) {
    std::vector<
        std::tuple<std::string, std::string, std::string, bool, std::string, std::int64_t, bool>>
        found;
    for (const TCookie& c : store.Cookies())
        if (c.expires != 0)
            found.emplace_back(c.name, c.value, c.domain, c.hostOnly, c.path, c.expires, c.secure);
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::string_view kHeader = "Set-Cookie: ";
    const std::string_view input = fuzz::AsText(data, size);
    std::string file;
    std::vector<std::string_view> headers;
    for (std::size_t pos = 0; pos < input.size();) {
        std::size_t end = input.find('\n', pos);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view line = input.substr(pos, end - pos);
        if (line.starts_with(kHeader)) {
            headers.push_back(line.substr(kHeader.size()));
        } else {
            file.append(line).push_back('\n');
        }
        pos = end + 1;
    }
    const std::string path = fuzz::WriteInput("cookies.txt", file);

    TCookieStore store(path);
    for (const std::string_view header : headers) {
        store.SetCookie("http://groups.yahoo.com/group/demo/messages", header);
        store.SetCookie("https://login.yahoo.com/", header);
    }
    for (const char* url : {"http://groups.yahoo.com/group/demo/messages/12", "https://yahoo.com/",
                            "http://login.yahoo.com", "https://groups.yahoo.com"})
        (void)store.CookieHeader(url);
    if (!headers.empty()) {
        const TCookieStore again(path);
        if (Persistent(again) != Persistent(store)) std::abort();
    }
    store.EndBrowserSession();
    return 0;
}
