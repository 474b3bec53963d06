#include "text/DateTime.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tessaly {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), and back.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? static_cast<unsigned>(-3) : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

constexpr long long kOleEpochFromUnix = 25569;  // days from 1899-12-30 to 1970-01-01

bool ParseInt(std::string_view& text, std::size_t digits, int& out) {
    if (text.size() < digits) return false;
    auto [p, ec] = std::from_chars(text.data(), text.data() + digits, out);
    if (ec != std::errc() || p != text.data() + digits) return false;
    text.remove_prefix(digits);
    return true;
}

bool Expect(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

bool ValidDate(int y, int m, int d) {
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return !(m == 2 && d == 29 && !leap);
}

bool ParseDatePart(std::string_view& t, int& y, int& m, int& d) {
    return ParseInt(t, 4, y) && Expect(t, '-') && ParseInt(t, 2, m) && Expect(t, '-') &&
           ParseInt(t, 2, d) && ValidDate(y, m, d);
}

bool ParseTimePart(std::string_view& t, int& h, int& mi, int& s) {
    s = 0;
    if (!(ParseInt(t, 2, h) && Expect(t, ':') && ParseInt(t, 2, mi))) return false;
    if (!t.empty() && t.front() == ':' && !(Expect(t, ':') && ParseInt(t, 2, s))) return false;
    return h < 24 && mi < 60 && s < 60;
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                     kOleEpochFromUnix;
    double frac = (hour * 3600 + minute * 60 + second) / 86400.0;
    // OLE dates before 1899-12-30 count the time of day away from zero.
    return days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
}

TDateParts DecodeDateTime(TDateTime value) {
    double whole = std::trunc(value);
    double frac = std::fabs(value - whole);
    auto secs = static_cast<long long>(std::llround(frac * 86400.0));
    long long days = static_cast<long long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        days += value >= 0 ? 1 : -1;
    }
    TDateParts p{};
    CivilFromDays(days - kOleEpochFromUnix, p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

TDateTime ToOleDate(std::chrono::system_clock::time_point when) {
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec);
}

TDateTime Now() {
    return ToOleDate(std::chrono::system_clock::now());
}

std::string DateToText(TDateTime value) {
    TDateParts p = DecodeDateTime(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
    return buf;
}

std::string TimeToText(TDateTime value) {
    TDateParts p = DecodeDateTime(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", p.hour, p.minute, p.second);
    return buf;
}

std::string DateTimeToText(TDateTime value) {
    return DateToText(value) + " " + TimeToText(value);
}

std::string FloatToText(double value) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

std::optional<TDateTime> TextToDate(std::string_view text) {
    int y = 0, m = 0, d = 0;
    if (!ParseDatePart(text, y, m, d) || !text.empty()) return std::nullopt;
    return EncodeDateTime(y, m, d);
}

std::optional<TDateTime> TextToTime(std::string_view text) {
    int h = 0, mi = 0, s = 0;
    if (!ParseTimePart(text, h, mi, s) || !text.empty()) return std::nullopt;
    return (h * 3600 + mi * 60 + s) / 86400.0;
}

std::optional<TDateTime> TextToDateTime(std::string_view text) {
    int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!ParseDatePart(text, y, m, d)) return std::nullopt;
    if (text.empty()) return EncodeDateTime(y, m, d);
    if (!Expect(text, ' ') || !ParseTimePart(text, h, mi, s) || !text.empty()) return std::nullopt;
    return EncodeDateTime(y, m, d, h, mi, s);
}

std::optional<double> TextToFloat(std::string_view text) {
    double v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

}  // namespace tessaly
