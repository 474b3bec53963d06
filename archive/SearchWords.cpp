#include "archive/SearchWords.h"

#include <QString>
#include <QStringView>

namespace tessaly::archive {

void AppendWords(std::string_view text, std::vector<std::string>& words) {
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
