#pragma once
// Reads a saved message page: its number, subject, author, date and text. The page's header
// rows carry labels ("From:", "Date:", "Subject:", the date as the "Date:<" markup the walk
// names files by) and its text sits in the first <pre> after them, or, on pages without one,
// between the header rows and the next rule. Any part may be missing, in any page: the reader
// then says it does not know (never guessing, never failing), and it reads a page in one pass,
// whatever its size.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/MessageDate.h"

namespace tessaly {

// What is shown in place of a part a page lacks.
inline constexpr const char* kUnknownPart = "unknown";

struct TSavedMessage {
    std::int64_t number = 0;  // from the page's "Message N of M"; 0 when it has none
    // UTF-8 texts, blanks collapsed; nothing when the page lacks the part.
    std::optional<std::string> subject, author, dateText;
    std::optional<TMessageDate> date;  // dateText read as a date, when it is one
    std::optional<std::string> body;   // UTF-8, lines ended by "\n", no trailing blank lines
    bool purged = false;               // the service's "Message N does not exist" page

    [[nodiscard]] std::string SubjectOrUnknown() const { return subject.value_or(kUnknownPart); }
    [[nodiscard]] std::string AuthorOrUnknown() const { return author.value_or(kUnknownPart); }
    [[nodiscard]] std::string DateOrUnknown() const {
        return date ? date->ShortText() : dateText.value_or(kUnknownPart);
    }
};

// What the body is read for. `Lines` tidies it for showing: lines ended by "\n", trailing
// blanks and blank lines at both ends removed. `Words` leaves the text of a <pre> as it stands
// (references decoded, blanks and line ends as in the page): the same words for a search, one
// copy and one pass fewer, and a body of blanks only is kept rather than dropped.
enum class TBodyUse { Lines, Words };

[[nodiscard]] TSavedMessage ReadSavedMessage(std::string_view page, TBodyUse use = TBodyUse::Lines);

// The number of a saved message file from its name: "0000123.html" and the date-prefixed
// "_01__03__2005_10_23_AM_0000123.html" give 123; other names give nothing.
[[nodiscard]] std::optional<std::int64_t> MessageNumberOfFile(std::string_view fileName);

}  // namespace tessaly
