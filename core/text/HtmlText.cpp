#include "text/HtmlText.h"

#include <array>
#include <cstring>

#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

// The named references of HTML 4 for U+00A0 to U+00FF, in code point order.
// Views, so a look-up compares lengths before bytes and never measures a name.
constexpr std::array<std::string_view, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct TNamedReference {
    std::string_view name;
    std::uint32_t codePoint;
};
constexpr TNamedReference kOtherNames[] = {
    {"quot", 34},     {"amp", 38},      {"apos", 39},     {"lt", 60},       {"gt", 62},
    {"OElig", 338},   {"oelig", 339},   {"Scaron", 352},  {"scaron", 353},  {"Yuml", 376},
    {"fnof", 402},    {"circ", 710},    {"tilde", 732},   {"ensp", 8194},   {"emsp", 8195},
    {"thinsp", 8201}, {"zwnj", 8204},   {"zwj", 8205},    {"lrm", 8206},    {"rlm", 8207},
    {"ndash", 8211},  {"mdash", 8212},  {"lsquo", 8216},  {"rsquo", 8217},  {"sbquo", 8218},
    {"ldquo", 8220},  {"rdquo", 8221},  {"bdquo", 8222},  {"dagger", 8224}, {"Dagger", 8225},
    {"bull", 8226},   {"hellip", 8230}, {"permil", 8240}, {"prime", 8242},  {"Prime", 8243},
    {"lsaquo", 8249}, {"rsaquo", 8250}, {"euro", 8364},   {"trade", 8482},  {"larr", 8592},
    {"uarr", 8593},   {"rarr", 8594},   {"darr", 8595},   {"harr", 8596},   {"spades", 9824},
    {"clubs", 9827},  {"hearts", 9829}, {"diams", 9830}};

// Windows-1252's characters for the bytes 0x80 to 0x9F (the five it leaves out stay as the
// control characters of ISO-8859-1).
constexpr std::array<std::uint16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::uint32_t FromWindows1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kWindows1252High[byte - 0x80];
    return byte;
}

// The length of the valid UTF-8 sequence at the start of `text`, 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text, std::uint32_t& codePoint) {
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (b0 < 0x80) {
        codePoint = b0;
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, codePoint = b0 & 0x1Fu, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, codePoint = b0 & 0x0Fu, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, codePoint = b0 & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (b & 0x3Fu);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

std::uint32_t NamedReference(std::string_view name) {
    for (std::size_t i = 0; i < kLatin1Names.size(); ++i) {
        if (name == kLatin1Names[i]) return static_cast<std::uint32_t>(0xA0 + i);
    }
    for (const auto& r : kOtherNames) {
        if (name == r.name) return r.codePoint;
    }
    return 0;
}

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The character of the reference at the start of `text` (which begins with "&") and how many
// bytes it takes; 0 characters when it is none. The few references browsers also take without
// the ";" are taken without it.
std::size_t ReadReference(std::string_view text, std::uint32_t& codePoint) {
    constexpr std::size_t kLongest = 12;
    if (text.size() >= 3 && text[1] == '#') {
        const bool hex = text[2] == 'x' || text[2] == 'X';
        std::size_t i = hex ? 3 : 2;
        std::uint32_t value = 0;
        const std::size_t start = i;
        for (; i < text.size() && i < start + 8; ++i) {
            const char c = text[i];
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) break;
            value = value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
        }
        if (i == start) return 0;
        if (i < text.size() && text[i] == ';') ++i;
        if (value >= 0x80 && value <= 0x9F)
            value = FromWindows1252(static_cast<unsigned char>(value));
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            value = kReplacement;
        codePoint = value;
        return i;
    }
    std::size_t i = 1;
    while (i < text.size() && i <= kLongest && IsAsciiAlnum(text[i])) ++i;
    if (i == 1) return 0;
    const std::string_view name = text.substr(1, i - 1);
    const std::uint32_t value = NamedReference(name);
    if (value == 0) return 0;
    const bool semicolon = i < text.size() && text[i] == ';';
    if (!semicolon && name != "amp" && name != "lt" && name != "gt" && name != "quot" &&
        name != "nbsp")
        return 0;
    codePoint = value;
    return semicolon ? i + 1 : i;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII are the common case: skip them eight bytes at a time.
        while (i + 8 <= text.size()) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if ((word & 0x8080808080808080ull) != 0) break;
            i += 8;
        }
        if (i >= text.size()) break;
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8SequenceLength(text.substr(i), codePoint);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

TPageCharset CharsetOfPage(std::string_view page) {
    // The declaration sits in the head, near the top.
    const std::string_view head = page.substr(0, 16384);
    const std::size_t at = PosFrom("charset", head, 1, true);
    if (at != 0) {
        std::size_t i = at - 1 + 7;
        while (i < head.size() && (head[i] == '=' || head[i] == '"' || head[i] == '\'' ||
                                   static_cast<unsigned char>(head[i]) <= 32))
            ++i;
        const std::string_view value = head.substr(i, 5);
        if (StartsText("utf-8", value) || StartsText("utf8", value)) return TPageCharset::Utf8;
    }
    return IsValidUtf8(page) ? TPageCharset::Utf8 : TPageCharset::Windows1252;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

namespace {

// `charset()` gives the character set, asked for at the first byte above 0x7F only.
template <typename Charset>
void AppendDecoded(std::string& out, std::string_view text, Charset&& charset, bool plainBlanks) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Plain ASCII up to the next reference or byte above 0x7F goes across in one piece. It
        // is looked through eight bytes at a time: a byte is '&' when it XOR '&' is zero, found
        // by the usual test for a zero byte, and the high bits show the bytes above 0x7F.
        std::size_t run = i;
        while (run + 8 <= text.size()) {
            std::uint64_t eight;
            std::memcpy(&eight, text.data() + run, 8);
            const std::uint64_t x = eight ^ 0x2626262626262626ull;
            if ((((x - 0x0101010101010101ull) & ~x) | eight) & 0x8080808080808080ull) break;
            run += 8;
        }
        while (run < text.size() && text[run] != '&' &&
               static_cast<unsigned char>(text[run]) < 0x80)
            ++run;
        out.append(text.data() + i, run - i);
        i = run;
        if (i >= text.size()) break;
        std::uint32_t cp = 0;
        if (text[i] == '&') {
            const std::size_t length = ReadReference(text.substr(i), cp);
            if (length == 0) {
                out.push_back('&');
                ++i;
                continue;
            }
            i += length;
        } else if (charset() == TPageCharset::Utf8) {
            const std::size_t length = Utf8SequenceLength(text.substr(i), cp);
            if (length == 0) {
                cp = kReplacement;
                ++i;
            } else {
                i += length;
            }
        } else {
            cp = FromWindows1252(static_cast<unsigned char>(text[i]));
            ++i;
        }
        if (plainBlanks && cp == 0xA0) cp = ' ';
        AppendUtf8(out, cp);
    }
}

}  // namespace

void AppendHtmlText(std::string& out, std::string_view text, TPageCharset charset,
                    bool plainBlanks) {
    AppendDecoded(
        out, text, [charset] { return charset; }, plainBlanks);
}

void AppendHtmlText(std::string& out, std::string_view text, TLazyCharset& charset,
                    bool plainBlanks) {
    AppendDecoded(
        out, text, [&charset] { return charset.Get(); }, plainBlanks);
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 16);  // a few references without growing
    // The runs between the characters written as references go across in one piece.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* reference = nullptr;
        switch (text[i]) {
            case '&':
                reference = "&amp;";
                break;
            case '<':
                reference = "&lt;";
                break;
            case '>':
                reference = "&gt;";
                break;
            case '"':
                reference = "&quot;";
                break;
            default:
                continue;
        }
        out.append(text.data() + from, i - from);
        out += reference;
        from = i + 1;
    }
    out.append(text.data() + from, text.size() - from);
    return out;
}

}  // namespace tessaly
