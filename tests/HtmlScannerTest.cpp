#include <gtest/gtest.h>

#include "text/HtmlScanner.h"

namespace tessaly {
namespace {

TParsed Scan(const std::string& page) {
    THtmlScanner s;
    s.SetHTMLText(page);
    s.Execute();
    return s.Parsed();
}

using Links = std::vector<std::string>;

TEST(HtmlScanner, HrefQuotedThreeWaysAndOddAttributes) {
    TParsed p = Scan(
        "<a href=\"x.html\">1</a><A HREF='y.htm'>2</a><a href=z.zip>3</a>"
        "<a name=\"top\">4</a><a class=\"c\" href=\"after.html\">5</a><a href = \"spaced\">6</a>"
        "<a href=unq.html target=_blank>7</a>");
    EXPECT_EQ(p.Hyperlinks,
              (Links{"x.html", "y.htm", "z.zip", "", "after.html", "href ", "unq.html "}));
    EXPECT_EQ(p.Locallinks, p.Hyperlinks);
}

TEST(HtmlScanner, LineBreaksAreNotCharacters) {
    THtmlScanner s;
    s.SetHTML({"<a", "href=\"one.html\">x</a><a href=\"two", ".html\">y</a>"});
    s.Execute();
    EXPECT_EQ(s.Parsed().Hyperlinks, Links{"two.html"});
    EXPECT_EQ(s.HTML().size(), 3u);

    TParsed crlf = Scan("<a\r\n href=\"three.html\">z</a>");
    EXPECT_EQ(crlf.Hyperlinks, Links{"three.html"});  // the blank before href survives the join
}

TEST(HtmlScanner, TitleCollection) {
    EXPECT_EQ(Scan("<html><title>Page</title></html>").Title, "Page");
    EXPECT_EQ(Scan("<title>A<b>B</b></title>").Title, "B</b>");
    EXPECT_EQ(Scan("<TITLE>Up</TITLE>").Title, "Up");
    EXPECT_EQ(Scan("<title>never closed").Title, "");
}

TEST(HtmlScanner, LinkKindsAndGroups) {
    TParsed p = Scan(
        "<a href=\"mailto:someone@example.com\">m</a>"
        "<a href=\"ftp://f.example.com/a.zip\">f</a>"
        "<a href=\"http://example.com/pics/photo.JPG?size=2\">h</a>"
        "<a href=\"https://secure.example.com/index.html\">s</a>"
        "<a href=\"/local/page.php3\">l</a>"
        "<a href=\"http://example.com/dir.v2/noext\">n</a>"
        "<a href=\"script.cgi\">c</a><a href=\"http://x/movie.mpeg\">v</a>");
    EXPECT_EQ(p.EMails, Links{"someone@example.com"});
    EXPECT_EQ(p.Hyperlinks.front(), "mailto:someone@example.com");
    EXPECT_EQ(p.FTPlinks, Links{"ftp://f.example.com/a.zip"});
    EXPECT_EQ(p.HTTPlinks.size(), 3u);
    EXPECT_EQ(p.Locallinks, (Links{"/local/page.php3", "script.cgi"}));
    EXPECT_EQ(p.Image.Remote, Links{"http://example.com/pics/photo.JPG?size=2"});
    EXPECT_EQ(p.HTML.Local, Links{"https://secure.example.com/index.html"});  // no "HTTP://" in it
    EXPECT_EQ(p.PHP.Local, Links{"/local/page.php3"});
    EXPECT_EQ(p.PERL.Local, Links{"script.cgi"});
    EXPECT_EQ(p.Media.Remote, Links{"http://x/movie.mpeg"});
    EXPECT_EQ(p.Hyperlinks.size(), 8u);
}

TEST(HtmlScanner, ImagesFramesMetaAndEvents) {
    THtmlScanner s;
    s.SetHTMLText(
        "<img src=\"a.gif\"><frame src='f.html'><META NAME=\"keyword\" CONTENT=\"k1\">"
        "<meta name=\"description\" content=\"lower case is not seen\">"
        "<!-- note --><p>text</p>plain end");
    std::vector<std::string> tags, texts, comments;
    s.OnFoundTag = [&](THtmlScanner&, std::string_view t) { tags.emplace_back(t); };
    s.OnFoundText = [&](THtmlScanner&, std::string_view t) { texts.emplace_back(t); };
    s.OnFoundComment = [&](THtmlScanner&, std::string_view t) { comments.emplace_back(t); };
    s.Execute();
    EXPECT_EQ(s.Parsed().Images, Links{"a.gif"});
    EXPECT_EQ(s.Parsed().FramePages, Links{"f.html"});
    EXPECT_EQ(s.Parsed().Keyword, "k1");
    EXPECT_EQ(s.Parsed().Description, "");
    EXPECT_EQ(comments, Links{"note"});
    EXPECT_EQ(texts, (Links{"text", "plain end"}));
    EXPECT_EQ(tags.size(), 6u);  // the comment is not a tag event

    int calls = 0;
    s.OnParsing = [&](THtmlScanner&, int, int) { ++calls; };
    s.Execute();  // the character-by-character walk gives the same results
    EXPECT_GT(calls, 100);
    EXPECT_EQ(s.Parsed().Images, Links{"a.gif"});
    EXPECT_EQ(texts.size(), 4u);
}

TEST(HtmlScanner, ForgivingOnBrokenInput) {
    EXPECT_TRUE(Scan("just text, no tags").Hyperlinks.empty());
    EXPECT_EQ(Scan("<a <a href=\"inner.html\">x</a>").Hyperlinks, Links{"inner.html"});
    EXPECT_EQ(Scan("<a href=\"unterminated>x</a>").Hyperlinks, Links{"unterminated"});
    EXPECT_TRUE(Scan("<a href=\"open.html\"").Hyperlinks.empty());  // dropped: never closed
    EXPECT_TRUE(Scan("><><<>>").Hyperlinks.empty());
    EXPECT_EQ(THtmlScanner::AttributeValue("a classhref=\"c\" href=\"d\"", "href"), "c");
    EXPECT_EQ(THtmlScanner::AttributeValue("img", "src"), "");
}

}  // namespace
}  // namespace tessaly
