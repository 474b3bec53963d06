#include "text/HtmlScanner.h"

#include <cstring>

#include "text/TextUtils.h"

namespace tessaly {
namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

std::size_t FindNoCase(std::string_view text, std::string_view part) {
    if (part.empty() || part.size() > text.size()) return std::string_view::npos;
    const char first = UpCase(part[0]);
    const char firstLow = LowCase(part[0]);
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        char c = text[i];
        if (c != first && c != firstLow) continue;
        std::size_t k = 1;
        while (k < part.size() && UpCase(text[i + k]) == UpCase(part[k])) ++k;
        if (k == part.size()) return i;
    }
    return std::string_view::npos;
}

bool HasNoCase(std::string_view text, std::string_view part) {
    return FindNoCase(text, part) != std::string_view::npos;
}

bool IsName(std::string_view name, std::string_view upper) {
    return SameText(name, upper);
}

bool EndsWithNoCase(std::string_view text, std::size_t end, std::string_view upper) {
    if (end < upper.size()) return false;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (UpCase(text[end - upper.size() + i]) != upper[i]) return false;
    }
    return true;
}

// Where "MAILTO:" first occurs, and whether "FTP://", "HTTP://" and "://" occur, found in one
// walk over the colons of the link.
struct LinkMarks {
    std::size_t mailto = std::string_view::npos;
    bool ftp = false;
    bool http = false;
    bool scheme = false;
};

LinkMarks MarksOf(std::string_view link) {
    LinkMarks m;
    for (std::size_t c = link.find(':'); c != std::string_view::npos; c = link.find(':', c + 1)) {
        if (m.mailto == std::string_view::npos && EndsWithNoCase(link, c, "MAILTO"))
            m.mailto = c - 6;
        if (link.substr(c + 1, 2) == "//") {
            m.scheme = true;
            if (EndsWithNoCase(link, c, "HTTP")) m.http = true;
            if (EndsWithNoCase(link, c, "FTP")) m.ftp = true;
        }
    }
    return m;
}

}  // namespace

void TLocalRemote::Clear() {
    Local.clear();
    Remote.clear();
}

void TParsed::Clear() {
    Title.clear();
    Keyword.clear();
    Description.clear();
    for (TLocalRemote* g : {&HTML, &Image, &Media, &Java, &ActiveX, &ASP, &PHP, &PERL}) g->Clear();
    for (auto* l : {&Hyperlinks, &Images, &EMails, &HTTPlinks, &FTPlinks, &Locallinks, &FramePages})
        l->clear();
}

void THtmlScanner::SetHTML(const std::vector<std::string>& lines) {
    text_.clear();
    for (const auto& line : lines) text_.append(line).push_back('\n');
}

void THtmlScanner::SetHTMLText(std::string text) {
    text_ = std::move(text);
}

std::vector<std::string> THtmlScanner::HTML() const {
    return TextToLines(text_);
}

std::string_view THtmlScanner::Joined(std::size_t begin, std::size_t end, std::string& scratch) {
    std::string_view run(text_.data() + begin, end - begin);
    // The next CR and LF at or after `begin`, each searched for once per stretch of the page.
    auto advance = [this, begin](std::size_t& next, char c) {
        if (next != std::string::npos && next < begin) next = text_.find(c, begin);
    };
    advance(nextCR_, '\r');
    advance(nextLF_, '\n');
    if (std::min(nextCR_, nextLF_) >= end) return run;
    scratch.clear();
    for (char c : run) {
        if (!IsLineBreak(c)) scratch.push_back(c);
    }
    return scratch;
}

void THtmlScanner::Execute() {
    parsed_.Clear();
    nextCR_ = text_.find('\r');
    nextLF_ = text_.find('\n');
    collectingTitle_ = false;
    title_.clear();
    if (OnParsing) {
        ScanWithProgress();
        return;
    }
    const char* data = text_.data();
    const std::size_t n = text_.size();
    std::string textScratch, tagScratch;
    std::size_t pos = 0;
    while (pos < n) {
        const void* lt = std::memchr(data + pos, '<', n - pos);
        if (lt == nullptr) {
            if (OnFoundText) HandleText(Joined(pos, n, textScratch), false);  // the rest is text
            return;
        }
        const auto open = static_cast<std::size_t>(static_cast<const char*>(lt) - data);
        // Text is only looked at while a title is collected or someone listens for it.
        if (open > pos && (collectingTitle_ || OnFoundText))
            HandleText(Joined(pos, open, textScratch), true);
        const void* gt = std::memchr(data + open + 1, '>', n - open - 1);
        if (gt == nullptr) return;  // a tag still open at the end is dropped
        const auto close = static_cast<std::size_t>(static_cast<const char*>(gt) - data);
        // The tag text is what follows the last "<" before the ">".
        std::size_t start = close;
        while (data[start - 1] != '<') --start;
        HandleTag(Joined(start, close, tagScratch));
        pos = close + 1;
    }
}

// The same walk one character at a time, for a caller that watches the progress.
void THtmlScanner::ScanWithProgress() {
    // Line number of every character (1-based) and the total.
    int total = 1;
    for (char c : text_) total += c == '\n' ? 1 : 0;
    int line = 1;
    std::string textBuf, tagBuf;
    bool inTag = false;
    for (char c : text_) {
        if (c == '\n') ++line;
        if (IsLineBreak(c)) continue;
        OnParsing(*this, line, total);
        if (!inTag) {
            if (c == '<') {
                if (!textBuf.empty()) HandleText(textBuf, true);
                textBuf.clear();
                inTag = true;
                tagBuf.assign(1, c);
            } else {
                textBuf.push_back(c);
            }
        } else if (c == '>') {
            HandleTag(std::string_view(tagBuf).substr(tagBuf.rfind('<') + 1));
            inTag = false;
        } else {
            tagBuf.push_back(c);
        }
    }
    if (!inTag && !textBuf.empty()) HandleText(textBuf, false);
}

void THtmlScanner::HandleText(std::string_view text, bool titleAllowed) {
    if (text.empty()) return;
    if (titleAllowed && collectingTitle_) {
        title_.assign(text);
        return;
    }
    if (OnFoundText) OnFoundText(*this, text);
}

std::string THtmlScanner::AttributeValue(std::string_view tag, std::string_view name) {
    const std::size_t at = FindNoCase(tag, name);
    if (at == std::string_view::npos) return {};
    bool quoted = false;
    std::size_t i = at;
    for (;; ++i) {
        const char c = tag[i];
        if (c == '"') quoted = !quoted;
        if ((!quoted && c == ' ') || c == '>' || i + 1 == tag.size()) break;
    }
    std::string_view piece = tag.substr(at, i - at + 1);
    const std::size_t eq = piece.find('=');
    std::string_view v = eq == std::string_view::npos ? piece : piece.substr(eq + 1);
    for (char quote : {'"', '\''}) {
        const std::size_t q = v.find(quote);
        if (q == std::string_view::npos) continue;
        const std::size_t end = v.find(quote, q + 1);
        return std::string(
            v.substr(q + 1, end == std::string_view::npos ? std::string_view::npos : end - q - 1));
    }
    return std::string(v);
}

void THtmlScanner::HandleTag(std::string_view tag) {
    if (collectingTitle_ && !HasNoCase(tag, "/TITLE")) {
        title_.append("<").append(tag).append(">");
        return;
    }
    const bool comment = tag.find("!--") != std::string_view::npos;
    if (!comment && OnFoundTag) OnFoundTag(*this, tag);
    const std::string_view name = tag.substr(0, tag.find(' '));
    switch (name.size()) {
        case 1:
            if (IsName(name, "A")) HandleAnchor(tag);
            return;
        case 3:
            if (IsName(name, "IMG")) {
                parsed_.Images.push_back(AttributeValue(tag, "src"));
            } else if (name == "!--" && OnFoundComment) {
                OnFoundComment(
                    *this, tag.size() >= 7 ? tag.substr(4, tag.size() - 7) : std::string_view());
            }
            return;
        case 4:
            if (IsName(name, "META")) {
                const std::string metaName = UpperCase(AttributeValue(tag, "name"));
                std::string value;
                const std::string_view rest = tag.substr(1);
                if (rest.find("VALUE") != std::string_view::npos)
                    value = AttributeValue(tag, "value");
                if (rest.find("CONTENT") != std::string_view::npos)
                    value = AttributeValue(tag, "content");
                if (metaName == "KEYWORD") parsed_.Keyword = value;
                if (metaName == "DESCRIPTION") parsed_.Description = value;
            }
            return;
        case 5:
            if (IsName(name, "FRAME")) {
                parsed_.FramePages.push_back(AttributeValue(tag, "src"));
            } else if (IsName(name, "TITLE")) {
                collectingTitle_ = true;
            }
            return;
        case 6:
            if (IsName(name, "/TITLE")) {
                collectingTitle_ = false;
                parsed_.Title = std::move(title_);
                title_.clear();
            }
            return;
        default:
            return;
    }
}

void THtmlScanner::HandleAnchor(std::string_view tag) {
    std::string link = AttributeValue(tag, "href");
    if (HyperlinksOnly && !OnFoundHyperlink) {
        parsed_.Hyperlinks.push_back(std::move(link));
        return;
    }
    const LinkMarks marks = MarksOf(link);
    Classify(link, marks.http);
    if (marks.mailto != std::string_view::npos) {
        parsed_.EMails.push_back(link.size() > 7 ? link.substr(7) : std::string());
    } else if (marks.ftp) {
        parsed_.FTPlinks.push_back(link);
    } else if (marks.http) {
        parsed_.HTTPlinks.push_back(link);
    } else if (!marks.scheme) {
        parsed_.Locallinks.push_back(link);
    } else if (OnFoundHyperlink) {
        OnFoundHyperlink(*this, link);
    }
    parsed_.Hyperlinks.push_back(std::move(link));
}

// Sorts an anchor target into the group of its file kind: Remote when it holds "HTTP://",
// Local otherwise; a target without a file name in its last segment goes nowhere.
void THtmlScanner::Classify(const std::string& link, bool remote) {
    std::string_view rest = link;
    if (auto s = rest.find("://"); s != std::string_view::npos) {
        rest.remove_prefix(s + 3);
    } else if (auto m = FindNoCase(rest, "MAILTO:"); m != std::string_view::npos) {
        rest.remove_prefix(m + 7);
    }
    const std::size_t slash = rest.rfind('/');
    std::string_view last = slash == std::string_view::npos ? rest : rest.substr(slash + 1);
    if (last.find('.') == std::string_view::npos) return;
    std::string_view file = last.substr(0, last.find('?'));
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) return;
    const std::string ext = UpperCase(file.substr(dot));
    TLocalRemote* group = nullptr;
    auto is = [&ext](std::initializer_list<const char*> names) {
        for (const char* e : names) {
            if (ext == e) return true;
        }
        return false;
    };
    if (ext.find("HTM") != std::string::npos) {
        group = &parsed_.HTML;
    } else if (is({".JPG", ".JPEG", ".GIF", ".TIF", ".PCX", ".PNG", ".PSD", ".BMP"})) {
        group = &parsed_.Image;
    } else if (is({".AVI", ".MP3", ".AU", ".MOV", ".MPG", ".MPEG"})) {
        group = &parsed_.Media;
    } else if (is({".JS", ".CLASS", ".JAVA"})) {
        group = &parsed_.Java;
    } else if (is({".ASP"})) {
        group = &parsed_.ASP;
    } else if (is({".PL", ".CGI"})) {
        group = &parsed_.PERL;
    } else if (ext.find("PHP") != std::string::npos || ext == ".PHTML") {
        group = &parsed_.PHP;
    } else if (is({".CAB"})) {
        group = &parsed_.ActiveX;
    }
    if (group == nullptr) return;
    (remote ? group->Remote : group->Local).push_back(link);
}

}  // namespace tessaly
