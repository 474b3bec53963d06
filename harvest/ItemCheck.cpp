#include "harvest/ItemCheck.h"

#include <array>

#include "net/HttpClient.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::string ExtensionOf(std::string_view name) {
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string()
                                         : LowerCase(std::string(name.substr(dot + 1)));
}

bool OneOf(const std::string& extension, std::initializer_list<std::string_view> list) {
    for (std::string_view e : list)
        if (extension == e) return true;
    return false;
}

bool StartsWithBytes(std::string_view head, std::string_view magic, std::size_t at = 0) {
    return head.size() >= at + magic.size() && head.substr(at, magic.size()) == magic;
}

// The first bytes of the picture formats a member could have put in a group.
bool LooksLikePicture(std::string_view head) {
    using namespace std::string_view_literals;
    return StartsWithBytes(head, "\xFF\xD8\xFF"sv) ||       // JPEG
           StartsWithBytes(head, "\x89PNG\r\n\x1A\n"sv) ||  // PNG
           StartsWithBytes(head, "GIF87a"sv) || StartsWithBytes(head, "GIF89a"sv) ||
           StartsWithBytes(head, "BM"sv) ||  // BMP
           (StartsWithBytes(head, "RIFF"sv) && StartsWithBytes(head, "WEBP"sv, 8)) ||
           StartsWithBytes(head, "II*\0"sv) || StartsWithBytes(head, "MM\0*"sv) ||  // TIFF
           StartsWithBytes(head, "\0\0\1\0"sv) ||                                   // icon
           StartsWithBytes(head, "ftypheic"sv, 4) || StartsWithBytes(head, "ftypheix"sv, 4) ||
           StartsWithBytes(head, "ftypmif1"sv, 4) || StartsWithBytes(head, "ftypavif"sv, 4);
}

// A web page by its first bytes: white space and a byte order mark aside, one of the tags a page
// begins with.
bool LooksLikeWebPage(std::string_view head) {
    if (StartsWithBytes(head, "\xEF\xBB\xBF")) head.remove_prefix(3);
    while (!head.empty() && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' ||
                             head.front() == '\n'))
        head.remove_prefix(1);
    const std::string start = LowerCase(std::string(head.substr(0, 14)));
    for (std::string_view tag : {"<!doctype html", "<html", "<head", "<body", "<title"})
        if (start.starts_with(tag)) return true;
    return false;
}

bool IsWebPageType(std::string_view contentType) {
    const std::string type =
        LowerCase(Trim(std::string(contentType.substr(0, contentType.find(';')))));
    return type == "text/html" || type == "application/xhtml+xml";
}

}  // namespace

bool IsPictureName(std::string_view name) {
    return OneOf(ExtensionOf(name),
                 {"jpg", "jpeg", "jpe", "jfif", "png", "gif", "bmp", "webp", "tif", "tiff"});
}

std::string ItemBodyProblem(std::string_view name, std::string_view contentType,
                            std::string_view head, bool picture) {
    const std::string extension = ExtensionOf(name);
    // A name without an extension says nothing of its type; a page is what a page's name asks for.
    const bool pageAllowed =
        extension.empty() || OneOf(extension, {"htm", "html", "shtml", "xhtml", "xht"});
    if (!pageAllowed && (IsWebPageType(contentType) || LooksLikeWebPage(head)))
        return "the service sent a web page instead of the file";
    if (picture && !LooksLikePicture(head)) return "the answer is not a picture";
    return {};
}

std::function<std::string(const THttpClient&, std::string_view)> ItemCheck(std::string name,
                                                                           bool picture) {
    return [name = std::move(name), picture](const THttpClient& client, std::string_view head) {
        return ItemBodyProblem(name, client.ContentType, head, picture);
    };
}

}  // namespace tessaly
