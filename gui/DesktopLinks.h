#pragma once
// Addresses the main window hands to the desktop: group pages, the maker's pages and mail.

#include <string>
#include <string_view>

namespace tessaly::gui {

inline constexpr const char* kMakerSite = "https://tessaly.example.org/";
inline constexpr const char* kMakerProducts = "https://tessaly.example.org/products";
inline constexpr const char* kBugMail = "bugs@tessaly.example.org";
inline constexpr const char* kWishMail = "wishes@tessaly.example.org";

// "http://" + groups host + "/group/" + name + "/".
[[nodiscard]] std::string GroupPageAddress(const std::string& groupName);

// A "mailto:" address with subject and body, both percent-encoded (UTF-8, every byte outside
// the unreserved characters), so that "&", "#", "?", "%" and line breaks in what the user typed
// reach the mail program as text instead of ending the subject or the body.
[[nodiscard]] std::string MailToAddress(std::string_view address, std::string_view subject,
                                        std::string_view body);

[[nodiscard]] std::string PercentEncode(std::string_view text);

}  // namespace tessaly::gui
