#pragma once
// Dates as the program stores them: OLE Automation dates (days since 30 December 1899 as a
// double, the time of day as the fraction), with the text forms used in settings files
// ("2026-12-10", "14:05:00", "2026-12-10 14:05:00").

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

using TDateTime = double;

[[nodiscard]] TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                                       int second = 0);
struct TDateParts {
    int year, month, day, hour, minute, second;
};
[[nodiscard]] TDateParts DecodeDateTime(TDateTime value);

// The local time now, and a point in time converted to local OLE time.
[[nodiscard]] TDateTime Now();
[[nodiscard]] TDateTime ToOleDate(std::chrono::system_clock::time_point when);

[[nodiscard]] std::string DateToText(TDateTime value);
[[nodiscard]] std::string TimeToText(TDateTime value);
[[nodiscard]] std::string DateTimeToText(TDateTime value);
[[nodiscard]] std::string FloatToText(double value);
[[nodiscard]] std::optional<TDateTime> TextToDate(std::string_view text);
[[nodiscard]] std::optional<TDateTime> TextToTime(std::string_view text);
[[nodiscard]] std::optional<TDateTime> TextToDateTime(std::string_view text);
[[nodiscard]] std::optional<double> TextToFloat(std::string_view text);

}  // namespace tessaly
