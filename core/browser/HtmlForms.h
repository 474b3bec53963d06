#pragma once
// The forms of a page: read with the scanner's cutting of the page into tags, attributes read
// as a browser reads them (quoted or not, any case, entities decoded).

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

struct TFormElement {
    std::string tag;   // INPUT, BUTTON, SELECT, TEXTAREA (upper case)
    std::string type;  // lower case; "text" when an input names none, "submit" for a button
    std::string name;
    std::string value;
    bool checked = false;
    bool disabled = false;
};

struct TForm {
    std::string action;  // as written (entities decoded); "" means the page itself
    std::string method;  // "GET" or "POST"
    std::vector<TFormElement> elements;
};

// All forms of the page in document order.
[[nodiscard]] std::vector<TForm> ParseForms(const std::string& page);
// The attributes of a tag text ("input type=hidden name='a' value=&quot;x&quot;"), names in
// lower case; the first of a repeated name wins.
[[nodiscard]] std::map<std::string, std::string> TagAttributes(std::string_view tag);
[[nodiscard]] std::string DecodeEntities(std::string_view text);

// The data a submit of `form` sends when `clicked` (an index into its elements, or -1) was the
// element clicked: application/x-www-form-urlencoded.
[[nodiscard]] std::string FormData(const TForm& form, int clicked);
[[nodiscard]] std::string FormUrlEncode(std::string_view text);

}  // namespace tessaly
