#include "text/MessageDate.h"

#include <cstdio>
#include <vector>

#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int DaysInMonth(int year, int month) {
    static const int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kLength[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil.
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t TMessageDate::WallSeconds() const {
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

int TMessageDate::Weekday() const {
    const std::int64_t days = DaysFromCivil(year, month, day);
    return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

std::string TMessageDate::ShortText() const {
    // Written digit by digit where every part fits its width (a list of a hundred thousand
    // messages shows as many dates); printf's form otherwise.
    if (year >= 0 && year <= 9999 && month >= 0 && month <= 99 && day >= 0 && day <= 99 &&
        hour >= 0 && hour <= 99 && minute >= 0 && minute <= 99) {
        std::string out = "0000-00-00 00:00";
        auto put = [&out](std::size_t at, int value, int width) {
            for (int k = width - 1; k >= 0; --k, value /= 10)
                out[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
        };
        put(0, year, 4);
        put(5, month, 2);
        put(8, day, 2);
        put(11, hour, 2);
        put(14, minute, 2);
        return out;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    return buf;
}

std::string TMessageDate::MailText() const {
    char zone[8] = "-0000";
    if (hasZone) {
        const int z = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
        std::snprintf(zone, sizeof zone, "%c%02d%02d", zoneMinutes < 0 ? '-' : '+', z / 60 % 100,
                      z % 60);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %s", kDays[Weekday()], day,
                  kMonths[month - 1], year, hour, minute, second, zone);
    return buf;
}

std::string TMessageDate::EnvelopeText() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %2d %02d:%02d:%02d %04d", kDays[Weekday()],
                  kMonths[month - 1], day, hour, minute, second, year);
    return buf;
}

std::optional<TMessageDate> ParseMessageDate(std::string_view text) {
    // Long texts are no dates: a page's date is a few dozen characters.
    if (text.size() > 200) text = text.substr(0, 200);
    TMessageDate d;
    int day = 0, year = 0;
    bool haveTime = false, pm = false, am = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsLetter(c)) {
            std::size_t j = i;
            while (j < text.size() && IsLetter(text[j])) ++j;
            const std::string_view word = text.substr(i, j - i);
            if (d.month == 0 && word.size() >= 3) {
                for (int m = 0; m < 12; ++m) {
                    if (StartsText(kMonths[m], word)) {
                        d.month = m + 1;
                        break;  // no word starts with two of them
                    }
                }
            }
            if (SameText(word, "pm")) pm = true;
            if (SameText(word, "am")) am = true;
            i = j;
        } else if (IsDigit(c)) {
            std::size_t j = i;
            while (j < text.size() && IsDigit(text[j])) ++j;
            const std::string_view digits = text.substr(i, j - i);
            if (digits.size() > 4) return std::nullopt;
            const int value = std::stoi(std::string(digits));
            if (j < text.size() && text[j] == ':' && !haveTime) {
                // A time: H:MM or H:MM:SS.
                std::vector<int> parts{value};
                std::size_t k = j;
                while (k < text.size() && text[k] == ':' && parts.size() < 3) {
                    std::size_t e = k + 1;
                    while (e < text.size() && IsDigit(text[e]) && e - k <= 2) ++e;
                    if (e == k + 1) break;
                    parts.push_back(std::stoi(std::string(text.substr(k + 1, e - k - 1))));
                    k = e;
                }
                if (parts.size() >= 2) {
                    haveTime = true;
                    d.hour = parts[0];
                    d.minute = parts[1];
                    d.second = parts.size() > 2 ? parts[2] : 0;
                    i = k;
                    continue;
                }
            } else if (i > 0 && (text[i - 1] == '+' || text[i - 1] == '-') && digits.size() == 4 &&
                       haveTime) {
                d.hasZone = true;
                const int minutes = value / 100 * 60 + value % 100;
                d.zoneMinutes = text[i - 1] == '-' ? -minutes : minutes;
            } else if (digits.size() == 4 && year == 0) {
                year = value;
            } else if (digits.size() <= 2 && day == 0) {
                day = value;
            }
            i = j;
        } else {
            ++i;
        }
    }
    if (d.month == 0 || day == 0 || year == 0) return std::nullopt;
    if (year < 1900 || year > 9999 || day > DaysInMonth(year, d.month)) return std::nullopt;
    if (pm && d.hour < 12) d.hour += 12;
    if (am && d.hour == 12) d.hour = 0;
    if (d.hour > 23 || d.minute > 59 || d.second > 60) d.hour = d.minute = d.second = 0;
    d.year = year;
    d.day = day;
    return d;
}

}  // namespace tessaly
