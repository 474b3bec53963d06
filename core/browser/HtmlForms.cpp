#include "browser/HtmlForms.h"

#include <cstdlib>

#include "text/HtmlScanner.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x110000) {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        const std::size_t semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out.push_back('&');
            continue;
        }
        const std::string name = LowerCase(text.substr(i + 1, semi - i - 1));
        std::string replacement;
        if (name == "amp")
            replacement = "&";
        else if (name == "lt")
            replacement = "<";
        else if (name == "gt")
            replacement = ">";
        else if (name == "quot")
            replacement = "\"";
        else if (name == "apos")
            replacement = "'";
        else if (name == "nbsp")
            replacement = "\xC2\xA0";
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string digits = name.substr(hex ? 2 : 1);
            char* end = nullptr;
            const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end != nullptr && *end == '\0') AppendUtf8(replacement, cp);
        }
        if (replacement.empty()) {
            out.push_back('&');
            continue;
        }
        out += replacement;
        i = semi;
    }
    return out;
}

std::map<std::string, std::string> TagAttributes(std::string_view tag) {
    std::map<std::string, std::string> attrs;
    std::size_t i = 0;
    while (i < tag.size() && !IsSpace(tag[i])) ++i;  // the tag name
    while (i < tag.size()) {
        while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '/')) ++i;
        const std::size_t nameStart = i;
        while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != '=' && tag[i] != '/') ++i;
        if (i == nameStart) {
            ++i;
            continue;
        }
        const std::string name = LowerCase(tag.substr(nameStart, i - nameStart));
        while (i < tag.size() && IsSpace(tag[i])) ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && IsSpace(tag[i])) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i++];
                const std::size_t end = tag.find(quote, i);
                value = std::string(tag.substr(
                    i, end == std::string_view::npos ? std::string_view::npos : end - i));
                i = end == std::string_view::npos ? tag.size() : end + 1;
            } else {
                const std::size_t start = i;
                while (i < tag.size() && !IsSpace(tag[i])) ++i;
                value = std::string(tag.substr(start, i - start));
            }
        }
        attrs.emplace(name, DecodeEntities(value));
    }
    return attrs;
}

std::vector<TForm> ParseForms(const std::string& page) {
    std::vector<TForm> forms;
    // Most pages of the service have no form at all; they need no second walk.
    if (!ContainsText("<form", page)) return forms;
    TForm* current = nullptr;
    TFormElement* select = nullptr;    // the SELECT whose options are being read
    TFormElement* textarea = nullptr;  // the TEXTAREA whose text is being read
    bool selectHasChoice = false;
    THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.OnFoundText = [&](THtmlScanner&, std::string_view text) {
        if (textarea != nullptr) textarea->value += DecodeEntities(text);
    };
    scanner.OnFoundTag = [&](THtmlScanner&, std::string_view tag) {
        const std::string name = UpperCase(tag.substr(0, tag.find_first_of(" \t/")));
        if (name == "FORM") {
            auto attrs = TagAttributes(tag);
            forms.push_back(
                TForm{attrs["action"], SameText(attrs["method"], "post") ? "POST" : "GET", {}});
            current = &forms.back();
            select = textarea = nullptr;
            return;
        }
        if (name == "/FORM") {
            current = nullptr;
            select = textarea = nullptr;
            return;
        }
        if (name == "/SELECT") select = nullptr;
        if (name == "/TEXTAREA") textarea = nullptr;
        if (current == nullptr) return;
        if (name == "OPTION" && select != nullptr) {
            auto attrs = TagAttributes(tag);
            if (!selectHasChoice || attrs.count("selected") != 0) {
                select->value = attrs["value"];
                selectHasChoice = attrs.count("selected") != 0;
            }
            return;
        }
        if (name != "INPUT" && name != "BUTTON" && name != "SELECT" && name != "TEXTAREA") return;
        auto attrs = TagAttributes(tag);
        TFormElement e;
        e.tag = name;
        e.type = LowerCase(attrs["type"]);
        if (e.type.empty())
            e.type = name == "BUTTON" ? "submit" : (name == "INPUT" ? "text" : LowerCase(name));
        e.name = attrs["name"];
        e.value = attrs["value"];
        e.checked = attrs.count("checked") != 0;
        e.disabled = attrs.count("disabled") != 0;
        if ((e.type == "checkbox" || e.type == "radio") && attrs.count("value") == 0)
            e.value = "on";
        current->elements.push_back(std::move(e));
        // Pointers into the vector stay valid until the next element is added.
        select = name == "SELECT" ? &current->elements.back() : nullptr;
        selectHasChoice = false;
        textarea = name == "TEXTAREA" ? &current->elements.back() : nullptr;
    };
    scanner.Execute();
    return forms;
}

std::string FormUrlEncode(std::string_view text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '*') {
            out.push_back(c);
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 15]);
        }
    }
    return out;
}

std::string FormData(const TForm& form, int clicked) {
    std::string data;
    auto add = [&data](const std::string& name, const std::string& value) {
        if (!data.empty()) data.push_back('&');
        data += FormUrlEncode(name) + "=" + FormUrlEncode(value);
    };
    for (std::size_t i = 0; i < form.elements.size(); ++i) {
        const TFormElement& e = form.elements[i];
        if (e.name.empty() || e.disabled) continue;
        const bool isClicked = static_cast<int>(i) == clicked;
        if (e.type == "submit" || e.type == "button" || e.type == "reset") {
            if (isClicked && e.type == "submit") add(e.name, e.value);
            continue;
        }
        if (e.type == "image") {
            if (isClicked) {
                add(e.name + ".x", "0");
                add(e.name + ".y", "0");
            }
            continue;
        }
        if ((e.type == "checkbox" || e.type == "radio") && !e.checked) continue;
        if (e.type == "file") continue;
        add(e.name, e.value);
    }
    return data;
}

}  // namespace tessaly
