#pragma once
// The date of a saved message as its page shows it: "Tue Dec 14, 2004 9:05 pm" on the
// service's message pages, or the mail form "Tue, 14 Dec 2004 21:05:00 -0800" that quoted
// headers carry. Read without regard to the order of its parts: a month name, a day, a
// four-digit year, a time with an optional "am"/"pm" and an optional numeric zone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

struct TMessageDate {
    int year = 0, month = 0, day = 0;  // month 1..12
    int hour = 0, minute = 0, second = 0;
    bool hasZone = false;  // the page showed a zone; the service's pages show none
    int zoneMinutes = 0;   // east of UTC

    // Seconds since 1970-01-01 00:00 of the date and time as written (the zone not applied).
    [[nodiscard]] std::int64_t WallSeconds() const;
    [[nodiscard]] int Weekday() const;  // 0 Sunday .. 6 Saturday
    // "2004-12-14 21:05".
    [[nodiscard]] std::string ShortText() const;
    // "Tue, 14 Dec 2004 21:05:00 -0000" (RFC 5322; "-0000" when the zone is unknown).
    [[nodiscard]] std::string MailText() const;
    // "Tue Dec 14 21:05:00 2004", the form of an mbox "From " line.
    [[nodiscard]] std::string EnvelopeText() const;
};

// The date in `text`, or nothing when it has no month name, day and year that make a date.
[[nodiscard]] std::optional<TMessageDate> ParseMessageDate(std::string_view text);

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
[[nodiscard]] std::int64_t DaysFromCivil(int year, int month, int day);

}  // namespace tessaly
