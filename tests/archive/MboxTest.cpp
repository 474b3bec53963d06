// The mbox export read back by python3's mailbox module: every message with its headers and
// text, non-ASCII headers and text, parts a page lacks, "From " lines quoted in the file and
// restored by undoing the quoting, purged messages left out, and Message-IDs that stay the same
// from one export to the next.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>

#include "archive/MboxWriter.h"
#include "support/MessagePages.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

// Prints every message of the mbox file as JSON: decoded headers, the UTF-8 text with the
// mboxrd quoting undone.
constexpr const char* kReader = R"PY(
import email.header, json, mailbox, re, sys
out = []
for m in mailbox.mbox(sys.argv[1]):
    def h(name):
        v = m[name]
        return None if v is None else str(email.header.make_header(email.header.decode_header(v)))
    text = m.get_payload(decode=True).decode("utf-8")
    out.append({"from": h("From"), "date": h("Date"), "subject": h("Subject"),
                "id": h("Message-ID"), "charset": m.get_content_charset(),
                "quoted": [l for l in text.split("\n") if l.lstrip(">").startswith("From ")],
                "text": re.sub(r"^>(>*From )", r"\1", text, flags=re.M)})
print(json.dumps(out))
)PY";

class MboxTest : public test::TempHomeTest {
protected:
    QJsonArray ReadBack(const std::string& mbox) {
        WriteFile(Dir() + "reader.py", kReader);
        const std::string command = "python3 " + Dir() + "reader.py " + mbox;
        FILE* pipe = ::popen(command.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        std::string json;
        char buf[4096];
        for (std::size_t n; pipe && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
            json.append(buf, n);
        EXPECT_EQ(pipe ? ::pclose(pipe) : -1, 0) << json;
        return QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
    }
    static std::string S(const QJsonValue& v) {
        return v.isNull() ? "(none)" : v.toString().toStdString();
    }
};

TEST_F(MboxTest, EveryMessageReadsBackWithItsHeadersAndText) {
    const std::string folder = Dir() + "out/Messages/Walkers/";
    std::filesystem::create_directories(folder);
    WriteFile(
        folder + "0000001.html",
        test::MessagePage(1, "Alice Walker &lt;ali...@example.com&gt;", "Tue Dec 14, 2004 9:05 pm",
                          "Trail report",
                          "From the ridge we saw three valleys.\r\n&gt;From a reply\r\n"
                          "&gt;&gt;From deeper\r\nFromage is no separator\r\n From indented"));
    WriteFile(folder + "0000002.html",
              test::MessagePage(2, "J\xC3\xB6rg M\xC3\xBCller &lt;jm@example.org&gt;",
                                "Mon, 3 Jan 2005 08:07:09 -0800",
                                "Gr\xC3\xBC\xC3\x9F"
                                "e aus K\xC3\xB6ln \xE2\x80\x94 " +
                                    std::string(60, 'x'),
                                "\xE6\x97\xA5\xE6\x9C\xAC &amp; caf&eacute;", "utf-8"));
    WriteFile(folder + "0000003.html",
              test::MessagePage(3, std::nullopt, std::nullopt, "No one", "text"));
    WriteFile(folder + "0000004.html", test::PurgedPage(4));
    // Saved again later with the date prefix: the newer file counts.
    WriteFile(folder + "_01__03__2005_08_07_AM_0000005.html",
              test::MessagePage(5, "Carol", "Mon Jan 3, 2005 8:07 am", "Fifth", "five"));

    const std::string mbox = Dir() + "mail/walkers.mbox";
    const archive::TMboxResult r = archive::WriteGroupMbox(Dir() + "out", "walkers", mbox);
    ASSERT_TRUE(r.ok) << r.failure;
    EXPECT_EQ(r.group, "Walkers");
    EXPECT_EQ(r.messages, 4);
    EXPECT_EQ(r.purged, 1);

    const QJsonArray messages = ReadBack(mbox);
    ASSERT_EQ(messages.size(), 4);
    struct Want {
        std::string from, date, subject, id, text;
        int quoted;  // body lines the file had to quote
    };
    const Want want[] = {
        {"\"Alice Walker (ali...@example.com)\" <unknown@unknown.invalid>",
         "Tue, 14 Dec 2004 21:05:00 -0000", "Trail report", "<1.walkers@archive.tessaly.invalid>",
         "From the ridge we saw three valleys.\n>From a reply\n>>From deeper\n"
         "Fromage is no separator\n From indented\n",
         3},
        {"J\u00f6rg M\u00fcller <jm@example.org>", "Mon, 03 Jan 2005 08:07:09 -0800",
         "Gr\u00fc\u00dfe aus K\u00f6ln \u2014 " + std::string(60, 'x'),
         "<2.walkers@archive.tessaly.invalid>", "\u65e5\u672c & caf\u00e9\n", 0},
        {"\"unknown\" <unknown@unknown.invalid>", "(none)", "No one",
         "<3.walkers@archive.tessaly.invalid>", "text\n", 0},
        {"\"Carol\" <unknown@unknown.invalid>", "Mon, 03 Jan 2005 08:07:00 -0000", "Fifth",
         "<5.walkers@archive.tessaly.invalid>", "five\n", 0},
    };
    for (int i = 0; i < 4; ++i) {
        const QJsonObject m = messages[i].toObject();
        const Want& w = want[i];
        EXPECT_EQ(S(m["from"]), w.from) << i;
        EXPECT_EQ(S(m["date"]), w.date) << i;
        EXPECT_EQ(S(m["subject"]), w.subject) << i;
        EXPECT_EQ(S(m["id"]), w.id) << i;
        EXPECT_EQ(S(m["charset"]), "utf-8") << i;
        EXPECT_EQ(S(m["text"]), w.text) << i;
        // Lines beginning "From " after any ">" were quoted in the file, the others were not.
        int quoted = 0;
        for (const auto& line : m["quoted"].toArray())
            quoted += line.toString().startsWith('>') ? 1 : 0;
        EXPECT_EQ(quoted, w.quoted) << i;
    }

    // A second export gives the same file: the same Message-IDs, nothing else changed.
    const std::string again = Dir() + "mail/again.mbox";
    ASSERT_TRUE(archive::WriteGroupMbox(Dir() + "out", "Walkers", again).ok);
    EXPECT_EQ(ReadFile(again), ReadFile(mbox));
}

TEST_F(MboxTest, WrongGroupOrPlaceWritesNothing) {
    std::filesystem::create_directories(Dir() + "out/Messages/Walkers/");
    WriteFile(Dir() + "out/Messages/Walkers/0000001.html",
              test::MessagePage(1, "a", "Dec 1, 2004", "s", "t"));
    struct Case {
        std::string label, folder, group, file;
    };
    for (const Case& c : {Case{"no such group", Dir() + "out", "Hikers", Dir() + "x.mbox"},
                          Case{"no such folder", Dir() + "none", "Walkers", Dir() + "x.mbox"},
                          Case{"among the saved pages", Dir() + "out", "Walkers",
                               Dir() + "out/Messages/Walkers/x.mbox"}}) {
        const archive::TMboxResult r = archive::WriteGroupMbox(c.folder, c.group, c.file);
        EXPECT_FALSE(r.ok) << c.label;
        EXPECT_TRUE(r.usage) << c.label;
        EXPECT_FALSE(r.failure.empty()) << c.label;
        EXPECT_FALSE(std::filesystem::exists(c.file)) << c.label;
    }
}

}  // namespace
}  // namespace tessaly
