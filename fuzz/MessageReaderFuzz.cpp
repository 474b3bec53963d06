// A saved message page from arbitrary bytes: the reader never fails, what it reads is UTF-8,
// a date it reads is a date of the calendar, and the texts shown for it fit their forms. The
// date and entity readers are also fed the bytes on their own.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "text/HtmlText.h"
#include "text/MessageDate.h"
#include "text/MessageReader.h"

namespace {

using namespace tessaly;

void CheckDate(const TMessageDate& d) {
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.year < 1900 || d.year > 9999 ||
        d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.second < 0 || d.second > 60)
        std::abort();
    if (d.ShortText().size() != 16 || d.Weekday() < 0 || d.Weekday() > 6) std::abort();
    (void)d.MailText();
    (void)d.EnvelopeText();
    (void)d.WallSeconds();
}

void CheckText(const std::optional<std::string>& text) {
    if (text && !IsValidUtf8(*text)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page = fuzz::AsText(data, size);
    for (const TBodyUse use : {TBodyUse::Lines, TBodyUse::Words}) {
        const TSavedMessage m = ReadSavedMessage(page, use);
        CheckText(m.subject);
        CheckText(m.author);
        CheckText(m.dateText);
        CheckText(m.body);
        if (m.date) CheckDate(*m.date);
        (void)m.DateOrUnknown();
    }
    if (const auto date = ParseMessageDate(page)) CheckDate(*date);
    (void)MessageNumberOfFile(page);

    for (const TPageCharset charset : {TPageCharset::Utf8, TPageCharset::Windows1252}) {
        std::string out;
        AppendHtmlText(out, page, charset, true);
        if (!IsValidUtf8(out)) std::abort();
    }
    TLazyCharset lazy(page);
    std::string out;
    AppendHtmlText(out, page, lazy);
    if (!IsValidUtf8(out)) std::abort();
    if (HtmlEscape(page).find_first_of("<>\"") != std::string::npos) std::abort();
    return 0;
}
