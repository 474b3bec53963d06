#pragma once
// THtmlScanner: a forgiving single-pass scanner for the service's pages. It does not build a
// tree: it cuts the characters into text runs and tags and collects the anchor targets (in
// document order), image and frame sources, mail, web, FTP and local links, the title and two
// meta texts, and groups the anchor targets by file kind.
//
// The page is read as lines joined without any separator: line breaks are not characters of
// the page (so "<a" at the end of one line and "href" at the start of the next give the tag
// "ahref=..."). Unbalanced "<" and ">" and unterminated quotes never fail; a tag still open
// at the end is dropped.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Targets without "HTTP://" (Local) and with it (Remote).
struct TLocalRemote {
    std::vector<std::string> Local;
    std::vector<std::string> Remote;
    void Clear();
};

struct TParsed {
    std::string Title;
    std::string Keyword;
    std::string Description;
    TLocalRemote HTML, Image, Media, Java, ActiveX, ASP, PHP, PERL;
    std::vector<std::string> Hyperlinks;  // every anchor's href, also empty ones, in order
    std::vector<std::string> Images;
    std::vector<std::string> EMails;
    std::vector<std::string> HTTPlinks;
    std::vector<std::string> FTPlinks;
    std::vector<std::string> Locallinks;
    std::vector<std::string> FramePages;
    void Clear();
};

class THtmlScanner {
public:
    // The input as lines (copied), or as one page text whose CR and LF bytes end its lines.
    void SetHTML(const std::vector<std::string>& lines);
    void SetHTMLText(std::string text);
    [[nodiscard]] std::vector<std::string> HTML() const;

    // Clears the results and scans the input.
    void Execute();
    // Collect the anchor targets (Hyperlinks) only; the other results stay empty. For a reader
    // that wants a page's links and nothing else.
    bool HyperlinksOnly = false;
    [[nodiscard]] const TParsed& Parsed() const { return parsed_; }
    [[nodiscard]] TParsed& Parsed() { return parsed_; }

    // Events; none is needed to use the results.
    std::function<void(THtmlScanner&, std::string_view tag)> OnFoundTag;
    std::function<void(THtmlScanner&, std::string_view text)> OnFoundText;
    std::function<void(THtmlScanner&, std::string_view comment)> OnFoundComment;
    std::function<void(THtmlScanner&, std::string_view hyperlink)> OnFoundHyperlink;
    std::function<void(THtmlScanner&, int line, int total)> OnParsing;  // once per character

    // The value of attribute `name` in a tag text, read with the scanner's rules: the first
    // occurrence of the name anywhere in the tag (any case), up to a blank outside double
    // quotes, then what follows the first "=", unquoted.
    [[nodiscard]] static std::string AttributeValue(std::string_view tag, std::string_view name);

private:
    void HandleText(std::string_view text, bool titleAllowed);
    void HandleTag(std::string_view tag);
    void HandleAnchor(std::string_view tag);
    void Classify(const std::string& link, bool remote);
    void ScanWithProgress();
    // The bytes of [begin, end) without line breaks, as a view into the input or into scratch.
    // Runs are asked for in page order, which lets the line-break search move forward only.
    std::string_view Joined(std::size_t begin, std::size_t end, std::string& scratch);

    std::string text_;
    TParsed parsed_;
    std::size_t nextCR_ = std::string::npos;
    std::size_t nextLF_ = std::string::npos;
    bool collectingTitle_ = false;
    std::string title_;
};

}  // namespace tessaly
