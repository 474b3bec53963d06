#pragma once
// Whether an answer the service gave for an item (a file, a picture, an attachment) is plainly
// not the item: a web page where the link names a file of another type, or, where a picture is
// asked for, bytes that begin as no known picture format does. One judgement for the Files,
// Photos and attachment sections, made on the answer's first bytes before any of it is kept
// (THttpClient::CheckBody); a body shorter than the length the service announced fails in the
// client itself.

#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

class THttpClient;

// Whether the name (a file name or a link's last segment) names a picture by its extension.
[[nodiscard]] bool IsPictureName(std::string_view name);

// Why the answer is not the item named `name` ("" when it may be): `contentType` as sent, `head`
// the body's first bytes; `picture`: the item must be a picture.
[[nodiscard]] std::string ItemBodyProblem(std::string_view name, std::string_view contentType,
                                          std::string_view head, bool picture);

// The client's CheckBody for the item named `name`.
[[nodiscard]] std::function<std::string(const THttpClient&, std::string_view)> ItemCheck(
    std::string name, bool picture);

}  // namespace tessaly
