// The reader of saved message pages over a table of pages: the service's own page, pages
// lacking a part, references and non-ASCII text in both character sets, pages without <pre>,
// purged and broken pages, and pages of 60 MB (ordinary and hostile) read in linear time.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "support/MessagePages.h"
#include "text/HtmlText.h"
#include "text/MessageReader.h"

namespace tessaly {
namespace {

std::string Page(std::optional<std::string> from, std::optional<std::string> date,
                 std::optional<std::string> subject, const std::string& body,
                 const std::string& charset = "ISO-8859-1") {
    return test::MessagePage(12, std::move(from), std::move(date), std::move(subject), body,
                             charset);
}

struct Expected {
    std::int64_t number;
    std::optional<std::string> author, subject, dateText, date, body;
    bool purged = false;
};

// The words of a text in order, one blank between them; none for no text.
std::string Squeezed(const std::optional<std::string>& text) {
    std::string out;
    bool blank = false;
    for (const char c : text.value_or("")) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank) out.push_back(' ');
        blank = false;
        out.push_back(c);
    }
    return out;
}

void Check(const std::string& label, const std::string& page, const Expected& e) {
    // Read for its words only, a page gives the same parts and a body of the same words.
    const TSavedMessage w = ReadSavedMessage(page, TBodyUse::Words);
    EXPECT_EQ(w.number, e.number) << label;
    EXPECT_EQ(w.author, e.author) << label;
    EXPECT_EQ(w.subject, e.subject) << label;
    EXPECT_EQ(w.dateText, e.dateText) << label;
    EXPECT_EQ(w.purged, e.purged) << label;
    EXPECT_EQ(Squeezed(w.body), Squeezed(e.body)) << label;
    const TSavedMessage m = ReadSavedMessage(page);
    EXPECT_EQ(m.number, e.number) << label;
    EXPECT_EQ(m.author, e.author) << label;
    EXPECT_EQ(m.subject, e.subject) << label;
    EXPECT_EQ(m.dateText, e.dateText) << label;
    EXPECT_EQ(m.date ? std::optional<std::string>(m.date->ShortText()) : std::nullopt, e.date)
        << label;
    EXPECT_EQ(m.body, e.body) << label;
    EXPECT_EQ(m.purged, e.purged) << label;
}

TEST(MessageReader, ReadsEveryPartOrSaysItIsUnknown) {
    const std::string from = "Alice Walker &lt;ali...@example.com&gt;";
    const std::string author = "Alice Walker <ali...@example.com>";
    const std::string date = "Tue Dec 14, 2004 9:05 pm";
    const std::string body =
        "Hello all,\r\n\r\nIt talks about the trail &amp; the &lt;weather&gt;."
        "\r\n\r\nRegards,\r\nAlice";
    const std::string text =
        "Hello all,\n\nIt talks about the trail & the <weather>.\n\nRegards,\nAlice\n";
    struct Case {
        std::string label, page;
        Expected e;
    };
    const Case cases[] = {
        {"every part",
         Page(from, date, "Meeting next week", body),
         {12, author, "Meeting next week", date, "2004-12-14 21:05", text}},
        {"no date row",
         Page(from, std::nullopt, "Meeting", body),
         {12, author, "Meeting", std::nullopt, std::nullopt, text}},
        {"an empty date",
         Page(from, "", "Meeting", body),
         {12, author, "Meeting", std::nullopt, std::nullopt, text}},
        {"a date that is none",
         Page(from, "sometime last week", "Meeting", body),
         {12, author, "Meeting", "sometime last week", std::nullopt, text}},
        {"no author",
         Page(std::nullopt, date, "Meeting", body),
         {12, std::nullopt, "Meeting", date, "2004-12-14 21:05", text}},
        {"no subject, the body quoting header labels",
         Page(from, date, std::nullopt, "From: someone else\r\nSubject: old\r\nDate: Jan 1, 1999"),
         {12, author, std::nullopt, date, "2004-12-14 21:05",
          "From: someone else\nSubject: old\nDate: Jan 1, 1999\n"}},
        {"the mail form of a date with its zone",
         Page(from, "Mon, 3 Jan 2005 08:07:09 -0800", "x", "y"),
         {12, author, "x", "Mon, 3 Jan 2005 08:07:09 -0800", "2005-01-03 08:07", "y\n"}},
        {"12 am and 12 pm",
         Page(from, "Sat Jan 1, 2005 12:30 am", "x", "y"),
         {12, author, "x", "Sat Jan 1, 2005 12:30 am", "2005-01-01 00:30", "y\n"}},
        {"tags inside the rows and the text",
         Page("<a href=\"mailto:x\">Bob</a> <i>(the\r\n  treasurer)</i>", date,
              "<font color=red>Re:</font>  budget", "See <a href=\"http://x/\">the sheet</a>."),
         {12, "Bob (the treasurer)", "Re: budget", date, "2004-12-14 21:05", "See the sheet.\n"}},
        {"purged",
         test::PurgedPage(15),
         {15, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, true}},
        {"not a message page at all",
         "<html><body><p>Groups - Sign In</p></body></html>",
         {0, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
        {"empty", "", {0, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
        {"cut off inside a tag",
         "<html><body><table><tr><td><b>From: </b>Carol</td></tr><tr><td"
         "><b>Subject: </b>Half a pa",
         {0, "Carol", "Half a pa", std::nullopt, std::nullopt, std::nullopt}},
        {"no <pre>: the text between the header rows and the next rule",
         "<html><body><table><tr><td>From: Erin</td></tr><tr><td>Subject: Plain</td></tr>"
         "</table><hr><div>First   line\r\nsame line</div><p>Second paragraph<br>next line</p>"
         "<hr><p>Footer</p></body></html>",
         {0, "Erin", "Plain", std::nullopt, std::nullopt,
          "First line same line\n\nSecond paragraph\nnext line\n"}},
        {"tag names longer than any known, and tags closed by \"/>\"",
         "<html><body><table><tr><td><b>Subject: </b><averyveryverylongname x>Long"
         "</averyveryverylongname> names<br/>and more</td></tr></table>"
         "<pre>one<br/>two<prefixedcustomtag>three</pre></body></html>",
         {0, std::nullopt, "Long names", std::nullopt, std::nullopt, "one\ntwothree\n"}},
        {"scripts, styles and comments hold no parts",
         "<html><head><script>var s = '<b>From: </b>nobody';</script><style>b{}</style></head>"
         "<body><!-- <b>Subject: </b>hidden --><table><tr><td><b>Subject: </b>Shown</td></tr>"
         "</table><pre>text</pre></body></html>",
         {0, std::nullopt, "Shown", std::nullopt, std::nullopt, "text\n"}},
    };
    for (const Case& c : cases) Check(c.label, c.page, c.e);
}

TEST(MessageReader, ReferencesAndNonAsciiTextInEitherCharacterSet) {
    struct Case {
        std::string label, page;
        std::string subject, body;
    };
    const Case cases[] = {
        {"named and numeric references",
         Page("x", "Tue Dec 14, 2004 9:05 pm", "Caf&eacute; &amp; cr&#232;me &#x263A; &euro;5",
              "na&iuml;ve &#8212; &quot;q&quot; &hellip; &nbsp;x &amp;amp; &bogus; &#150;"),
         "Caf\u00e9 & cr\u00e8me \u263a \u20ac5",
         "na\u00efve \u2014 \"q\" \u2026  x &amp; &bogus; \u2013\n"},
        {"ISO-8859-1 bytes",
         Page("x", "Tue Dec 14, 2004 9:05 pm",
              "Gr\xFC\xDF"
              "e aus K\xF6ln",
              "\x93quoted\x94 \xA3"
              "5"),
         "Gr\u00fc\u00dfe aus K\u00f6ln", "\u201cquoted\u201d \u00a35\n"},
        {"a reference and a byte above 0x7F after long runs of plain text",
         Page("x", "Tue Dec 14, 2004 9:05 pm", "plain words then&amp;more plain words\xE9",
              "a longer run of plain text, then&lt;one\xA3 and more after it"),
         "plain words then&more plain words\u00e9",
         "a longer run of plain text, then<one\u00a3 and more after it\n"},
        {"UTF-8 bytes on a page that says ISO-8859-1",
         Page("x", "Tue Dec 14, 2004 9:05 pm", "\xE6\x97\xA5\xE6\x9C\xAC \xD0\x9C\xD0\xB8\xD1\x80",
              "\xF0\x9F\x98\x80 ok"),
         "\u65e5\u672c \u041c\u0438\u0440", "\U0001F600 ok\n"},
        {"bad bytes on a page that says UTF-8",
         Page("x", "Tue Dec 14, 2004 9:05 pm", "caf\xE9", "a\xC3(b", "utf-8"), "caf\ufffd",
         "a\ufffd(b\n"},
    };
    for (const Case& c : cases) {
        const TSavedMessage m = ReadSavedMessage(c.page);
        EXPECT_EQ(m.subject.value_or("(none)"), c.subject) << c.label;
        EXPECT_EQ(m.body.value_or("(none)"), c.body) << c.label;
    }
}

TEST(MessageReader, SixtyMegabytePagesAreReadInLinearTime) {
#ifdef TESSALY_SANITIZED
    // Sanitized builds read ten times slower: a fifth of the size still shows a second pass.
    constexpr std::size_t kSize = 12u << 20;
#else
    constexpr std::size_t kSize = 60u << 20;
#endif
    std::string bigBody;
    bigBody.reserve(kSize);
    while (bigBody.size() < kSize) bigBody += "line of the long text &amp; more <b>bold</b>\r\n";
    struct Case {
        std::string label, page;
        bool hasBody;
    };
    const Case cases[] = {
        {"a long text", Page("Dave", "Tue Dec 14, 2004 9:05 pm", "Long", bigBody), true},
        {"a tag that never closes", "<b>Subject: </b>x<pre><a href=\"" + std::string(kSize, 'a'),
         true},
        {"only '<' characters", std::string(kSize, '<'), false},
        {"'<a' over and over",
         [] {
             std::string s;
             s.reserve(kSize);
             while (s.size() < kSize) s += "<a";
             return s;
         }(),
         false},
        {"a comment that never ends", "<!--" + std::string(kSize, '-'), false},
        {"labels in a row that never ends", "<td>Subject: " + std::string(kSize, 'x'), false},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const TSavedMessage m = ReadSavedMessage(c.page);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // One pass takes well under a second optimised; a second pass over the page for every
        // tag would take hours.
        EXPECT_LT(seconds, 30.0) << c.label;
        EXPECT_EQ(m.body.has_value(), c.hasBody) << c.label;
    }
    const TSavedMessage m = ReadSavedMessage(cases[0].page);
    ASSERT_TRUE(m.body.has_value());
    EXPECT_EQ(m.body->substr(0, 37), "line of the long text & more bold\nlin");
    EXPECT_EQ(m.subject, "Long");
    EXPECT_EQ(ReadSavedMessage(cases[5].page).subject, std::string(1999, 'x'));  // cut at the bound
}

// Pages are written with HtmlEscape and read with AppendHtmlText: every text comes back, the
// characters written as references anywhere in it, alone or side by side.
TEST(HtmlText, EscapedTextsReadBack) {
    const std::string texts[] = {"",
                                 "plain text without any of them",
                                 "&",
                                 "<a href=\"x\">",
                                 "\"quoted\" at both ends\"",
                                 "Tom & Jerry <tom@example.com> &amp; \"more\" >>",
                                 "&&<<>>\"\"",
                                 "caf\u00e9 & cr\u00e8me"};
    for (const std::string& text : texts) {
        const std::string escaped = HtmlEscape(text);
        EXPECT_EQ(escaped.find_first_of("<>\""), std::string::npos) << text;
        std::string back;
        AppendHtmlText(back, escaped, TPageCharset::Utf8);
        EXPECT_EQ(back, text) << escaped;
    }
    EXPECT_EQ(HtmlEscape("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
}

TEST(MessageReader, NumbersOfSavedFileNames) {
    struct Case {
        const char* name;
        std::optional<std::int64_t> number;
    };
    for (const Case& c : {Case{"0000123.html", 123}, Case{"12345678.html", 12345678},
                          Case{"_01__03__2005_10_23_AM_0000123.html", 123},
                          Case{"___0000007.html", 7}, Case{"0000123.htm", std::nullopt},
                          Case{"123.html", std::nullopt}, Case{"index.html", std::nullopt},
                          Case{"x0000123.html", std::nullopt}, Case{".html", std::nullopt}}) {
        EXPECT_EQ(MessageNumberOfFile(c.name), c.number) << c.name;
    }
}

TEST(MessageReader, DatesInTheirForms) {
    struct Case {
        const char* text;
        const char* mail;  // nullptr: no date
    };
    for (const Case& c : {Case{"Tue Dec 14, 2004 9:05 pm", "Tue, 14 Dec 2004 21:05:00 -0000"},
                          Case{"Mon, 3 Jan 2005 08:07:09 -0800", "Mon, 03 Jan 2005 08:07:09 -0800"},
                          Case{"Thu Feb 29, 2024 12:00 pm", "Thu, 29 Feb 2024 12:00:00 -0000"},
                          Case{"Feb 30, 2005", nullptr}, Case{"Dec 2004", nullptr},
                          Case{"", nullptr}, Case{"Tue 14, 2004 9:05 pm", nullptr},
                          Case{"December 1, 1999", "Wed, 01 Dec 1999 00:00:00 -0000"}}) {
        const auto d = ParseMessageDate(c.text);
        EXPECT_EQ(d ? std::optional<std::string>(d->MailText()) : std::nullopt,
                  c.mail ? std::optional<std::string>(c.mail) : std::nullopt)
            << c.text;
    }
    EXPECT_EQ(ParseMessageDate("Tue Dec 14, 2004 9:05 pm")->EnvelopeText(),
              "Tue Dec 14 21:05:00 2004");
    // The short form pads every part, also of years that need fewer or more than four digits.
    for (const auto& [d, text] : {std::pair{TMessageDate{2004, 12, 14, 21, 5}, "2004-12-14 21:05"},
                                  std::pair{TMessageDate{987, 3, 4, 0, 6}, "0987-03-04 00:06"},
                                  std::pair{TMessageDate{12345, 1, 2, 3, 4}, "12345-01-02 03:04"}})
        EXPECT_EQ(d.ShortText(), text) << text;
}

}  // namespace
}  // namespace tessaly
