#include "gui/DesktopLinks.h"

#include "service/ServiceHosts.h"

namespace tessaly::gui {

std::string GroupPageAddress(const std::string& groupName) {
    return std::string("http://") + hosts::kGroups + "/group/" + groupName + "/";
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string MailToAddress(std::string_view address, std::string_view subject,
                          std::string_view body) {
    return "mailto:" + std::string(address) + "?subject=" + PercentEncode(subject) +
           "&body=" + PercentEncode(body);
}

}  // namespace tessaly::gui
