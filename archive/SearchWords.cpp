#include "archive/SearchWords.h"

#include <QString>
#include <QStringView>

namespace tessaly::archive {

namespace {

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

void AppendWords(std::string_view text, std::vector<std::string>& words) {
    if (IsAscii(text)) {
        // Most texts: the same cut as below, without the trip through UTF-16.
        std::size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && !IsAsciiAlnum(text[i])) ++i;
            const std::size_t start = i;
            while (i < text.size() && IsAsciiAlnum(text[i])) ++i;
            const std::size_t length = i - start;
            if (length >= kShortestWord && length <= kLongestWord) {
                std::string w(text.substr(start, length));
                for (char& c : w) {
                    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
                }
                words.push_back(std::move(w));
            }
        }
        return;
    }
    const QString lower =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower();
    const qsizetype n = lower.size();
    qsizetype i = 0;
    auto isWordChar = [&](qsizetype at, qsizetype& width) {
        const QChar c = lower.at(at);
        char32_t cp = c.unicode();
        width = 1;
        if (c.isHighSurrogate() && at + 1 < n && lower.at(at + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(c, lower.at(at + 1));
            width = 2;
        }
        return QChar::isLetterOrNumber(cp);
    };
    while (i < n) {
        qsizetype width = 1;
        if (!isWordChar(i, width)) {
            i += width;
            continue;
        }
        const qsizetype start = i;
        while (i < n && isWordChar(i, width)) i += width;
        const qsizetype length = i - start;
        if (length >= kShortestWord && length <= kLongestWord)
            words.push_back(QStringView(lower).mid(start, length).toUtf8().toStdString());
    }
}

}  // namespace tessaly::archive
