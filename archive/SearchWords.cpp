#include "archive/SearchWords.h"

#include <QString>
#include <QStringView>

namespace tessaly::archive {

namespace {

char WordByte(char c) {
    return detail::kAsciiWordByte[static_cast<unsigned char>(c)];
}

}  // namespace

void AppendWords(std::string_view text, std::string& words) {
    if (detail::IsAsciiText(text)) {
        // Most texts: the same cut as below, without the trip through UTF-16.
        const std::size_t n = text.size();
        std::size_t i = 0;
        while (i < n) {
            while (i < n && WordByte(text[i]) == 0) ++i;
            const std::size_t start = i;
            while (i < n && WordByte(text[i]) != 0) ++i;
            const std::size_t length = i - start;
            if (length >= kShortestWord && length <= kLongestWord) {
                const std::size_t at = words.size();
                words.append(text.data() + start, length);
                words.push_back(' ');
                char* word = words.data() + at;
                for (std::size_t k = 0; k < length; ++k) word[k] = WordByte(word[k]);
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
        if (length >= kShortestWord && length <= kLongestWord) {
            const QByteArray word = QStringView(lower).mid(start, length).toUtf8();
            words.append(word.constData(), static_cast<std::size_t>(word.size()));
            words.push_back(' ');
        }
    }
}

}  // namespace tessaly::archive
