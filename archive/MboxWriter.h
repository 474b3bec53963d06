#pragma once
// A group's saved messages as one mbox file (the "mboxrd" form: a body line that starts with
// "From ", after any number of ">", gets one more ">"), so mail programs can open them. Each
// message has From, Date (RFC 5322), Subject, a Message-ID made from the group and the number
// (the same on every export), and its text as UTF-8.

#include <cstdint>
#include <functional>
#include <string>

#include "archive/SiteBuilder.h"
#include "text/MessageReader.h"

namespace tessaly::archive {

// One message of the mbox file, "From " line and closing empty line included.
[[nodiscard]] std::string MboxMessage(const std::string& group, std::int64_t number,
                                      const TSavedMessage& message);

// The header value of `text` (UTF-8): as it is when plain ASCII, else RFC 2047 encoded words.
[[nodiscard]] std::string HeaderText(const std::string& text);

struct TMboxResult {
    bool ok = false;
    bool usage = false;           // the group is not in the folder: a wrong argument, not a failure
    std::string failure;          // why not, when not ok
    std::string group;            // the group's folder name as found
    std::int64_t messages = 0;    // written
    std::int64_t purged = 0;      // pages of messages deleted from the group: left out
    std::int64_t unreadable = 0;  // pages that could not be read: left out
};

// Writes the messages of `group` (its folder name, in any letter case) saved under
// `outputFolder` into `file`, replacing it only once complete.
[[nodiscard]] TMboxResult WriteGroupMbox(
    const std::string& outputFolder, const std::string& group, const std::string& file,
    const std::function<void(const TSiteProgress&)>& progress = {});

}  // namespace tessaly::archive
