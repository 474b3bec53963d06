// The scanner on arbitrary bytes: never fails, and the fast walk and the character-by-character
// walk (taken when progress is watched) find the same links.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/HtmlScanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    tessaly::THtmlScanner fast;
    fast.SetHTMLText(text);
    fast.Execute();
    tessaly::THtmlScanner slow;
    slow.SetHTMLText(text);
    slow.OnParsing = [](tessaly::THtmlScanner&, int, int) {};
    slow.Execute();
    const auto& a = fast.Parsed();
    const auto& b = slow.Parsed();
    if (a.Hyperlinks != b.Hyperlinks || a.Images != b.Images || a.Title != b.Title ||
        a.EMails != b.EMails) {
        std::abort();
    }
    return 0;
}
