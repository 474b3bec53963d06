// The login forms from arbitrary bytes: every form of a page is read and submitted with each of
// its elements clicked, and the data sent is plain form encoding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "browser/HtmlForms.h"

namespace {

bool IsFormEncoded(const std::string& data) {
    for (const char c : data) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaly;
    const std::string page(fuzz::AsText(data, size));
    for (const TForm& form : ParseForms(page)) {
        if (form.method != "GET" && form.method != "POST") std::abort();
        for (int clicked = -1; clicked < static_cast<int>(form.elements.size()); ++clicked)
            if (!IsFormEncoded(FormData(form, clicked))) std::abort();
    }
    (void)TagAttributes(page);
    (void)DecodeEntities(page);
    if (!IsFormEncoded(FormUrlEncode(page))) std::abort();
    return 0;
}
