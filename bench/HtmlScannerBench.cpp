// HTML scanner benchmark: a generated corpus of at least 50 MB of pages shaped like the
// service's (message pages, index pages and file listings with many anchors whose href is
// quoted three ways), scanned by THtmlScanner, by python3's html.parser (collecting the href
// values) and by xmllint --html --xpath '//a/@href', all on the same corpus in the same run.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "text/HtmlScanner.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Href(std::mt19937& rng, const std::string& target) {
    switch (rng() % 3) {
        case 0:
            return "href=\"" + target + "\"";
        case 1:
            return "href='" + target + "'";
        default:
            return "href=" + target;
    }
}

std::string Page(std::mt19937& rng, int n) {
    std::ostringstream p;
    const std::string group = "group" + std::to_string(n % 97);
    p << "<html>\n<head><title>" << group << " : Message " << n << " of 9999</title>\n"
      << "<meta name=\"description\" content=\"Messages of " << group
      << "\">\n</head>\n<body bgcolor=\"#ffffff\">\n"
      << "<table width=\"100%\" cellpadding=2 cellspacing=0 border=0>\n";
    const int rows = 20 + static_cast<int>(rng() % 40);
    for (int r = 0; r < rows; ++r) {
        const int msg = n * 50 + r;
        p << "<tr class=\"" << (r % 2 ? "odd" : "even")
          << "\"><td class=\"date\">Tue Dec 14, 2004 9:0" << r % 10 << " pm</td>\n<td><a "
          << Href(rng, "/group/" + group + "/message/" + std::to_string(msg)) << ">Re: topic "
          << msg << "</a></td><td><a "
          << Href(rng, "/group/" + group + "/post?act=reply&amp;messageNum=" + std::to_string(msg))
          << " title=\"Reply\">Reply</a></td>\n<td><img "
             "src=\"http://us.i1.yimg.com/us.yimg.com/i/space.gif\" width=1 "
             "height=1></td></tr>\n";
    }
    p << "</table>\n<p>Some message text with <b>bold</b> words, &lt;quoted&gt; parts and a link "
         "to "
      << "<a " << Href(rng, "http://www.example.com/page" + std::to_string(n) + ".html")
      << ">an outside page</a>.</p>\n"
      << "<!-- footer -->\n<div class=\"footer\"><a href=\"http://groups.yahoo.com/\">Groups</a> | "
      << "<a href=\"mailto:" << group
      << "-owner@yahoogroups.com\">owner</a></div>\n</body>\n</html>\n";
    return p.str();
}

double Seconds(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double TimeCommand(const std::string& command) {
    auto t0 = Clock::now();
    int rc = std::system(command.c_str());
    double s = Seconds(t0);
    return rc == 0 ? s : -1;
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/tessaly-html-bench-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string corpusPath = dir + "/corpus.html";
    std::mt19937 rng(5);
    std::string corpus;
    for (int n = 0; corpus.size() < 50u * 1000 * 1000; ++n) corpus += Page(rng, n);
    std::ofstream(corpusPath, std::ios::binary) << corpus;
    const double mb = static_cast<double>(corpus.size()) / 1e6;

    double best = 1e9;
    std::size_t links = 0;
    for (int run = 0; run < 5; ++run) {
        tessaly::THtmlScanner scanner;
        std::string copy = corpus;
        auto t0 = Clock::now();
        scanner.SetHTMLText(std::move(copy));
        scanner.Execute();
        best = std::min(best, Seconds(t0));
        links = scanner.Parsed().Hyperlinks.size();
    }

    const std::string py = dir + "/scan.py";
    std::ofstream(py)
        << "import sys, time\nfrom html.parser import HTMLParser\n"
           "class P(HTMLParser):\n"
           "    def __init__(self):\n        super().__init__()\n        self.links = []\n"
           "    def handle_starttag(self, tag, attrs):\n"
           "        if tag == 'a':\n"
           "            for k, v in attrs:\n"
           "                if k == 'href': self.links.append(v)\n"
           "text = open(sys.argv[1], encoding='latin-1').read()\n"
           "t0 = time.perf_counter()\np = P()\np.feed(text)\np.close()\n"
           "print(time.perf_counter() - t0, len(p.links))\n";
    double pySeconds = -1;
    long pyLinks = 0;
    if (FILE* f = ::popen(("python3 '" + py + "' '" + corpusPath + "'").c_str(), "r")) {
        if (std::fscanf(f, "%lf %ld", &pySeconds, &pyLinks) != 2) pySeconds = -1;
        ::pclose(f);
    }
    // xmllint is run once to warm the file cache; the second run is timed.
    const std::string xmlCommand =
        "xmllint --html --xpath '//a/@href' '" + corpusPath + "' > /dev/null 2>&1";
    TimeCommand(xmlCommand);
    const double xmlSeconds = TimeCommand(xmlCommand);

    std::printf("corpus: %.1f MB, %zu anchors found by THtmlScanner, %ld by html.parser\n", mb,
                links, pyLinks);
    std::printf("THtmlScanner        %8.1f MB/s  (%.3f s)\n", mb / best, best);
    if (pySeconds > 0)
        std::printf("python html.parser  %8.1f MB/s  (%.3f s)\n", mb / pySeconds, pySeconds);
    if (xmlSeconds > 0)
        std::printf("xmllint --html      %8.1f MB/s  (%.3f s)\n", mb / xmlSeconds, xmlSeconds);
    if (pySeconds > 0)
        std::printf("ratio vs html.parser: %.1fx (target >= 40)\n", pySeconds / best);
    if (xmlSeconds > 0)
        std::printf("ratio vs xmllint:     %.1fx (target >= 10)\n", xmlSeconds / best);
    std::printf("target: at least 200 MB/s\n");
    std::filesystem::remove_all(dir);
    return 0;
}
