// HTML scanner benchmark: a generated corpus of pages shaped like the service's (message pages,
// index pages and file listings with many anchors whose href is quoted three ways), 50 MB
// unless CORPUS_MB says otherwise, scanned by THtmlScanner, by python3's html.parser
// (collecting the href values) and by xmllint --html --xpath '//a/@href', all on the same
// corpus file in the same run.
//
// Every program reads the corpus file and scans it, the same number of rounds (ROUNDS, default
// 3); round r of every program runs back to back, the order rotating from round to round. The
// scanner runs in this process (wall clock and this process's CPU time); a peer is timed as
// its whole process (wall clock and getrusage RUSAGE_CHILDREN), its start-up included: tens of
// milliseconds for python3, against seconds of scanning. Printed: min, median and max of MB/s,
// wall and CPU seconds of each program, and of the per-round ratios peer / THtmlScanner.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchRounds.h"
#include "text/HtmlScanner.h"

namespace {

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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Program {
    const char* name;
    std::vector<bench::Sample> rounds;
};

}  // namespace

int main() {
    const char* mbText = std::getenv("CORPUS_MB");
    const double targetMb = mbText != nullptr && std::atof(mbText) > 0 ? std::atof(mbText) : 50;
    const int rounds = bench::Rounds(3);
    char tmpl[] = "/tmp/tessaly-html-bench-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string corpusPath = dir + "/corpus.html";
    std::mt19937 rng(5);
    std::string corpus;
    for (int n = 0; static_cast<double>(corpus.size()) < targetMb * 1e6; ++n)
        corpus += Page(rng, n);
    std::ofstream(corpusPath, std::ios::binary) << corpus;
    const double mb = static_cast<double>(corpus.size()) / 1e6;
    corpus = std::string();

    const std::string py = dir + "/scan.py";
    std::ofstream(py) << "import sys\nfrom html.parser import HTMLParser\n"
                         "class P(HTMLParser):\n"
                         "    def __init__(self):\n"
                         "        super().__init__()\n        self.links = []\n"
                         "    def handle_starttag(self, tag, attrs):\n"
                         "        if tag == 'a':\n"
                         "            for k, v in attrs:\n"
                         "                if k == 'href': self.links.append(v)\n"
                         "text = open(sys.argv[1], encoding='latin-1').read()\n"
                         "p = P()\np.feed(text)\np.close()\nprint(len(p.links))\n";
    const std::string pyOut = dir + "/python.out";

    Program scanner{"THtmlScanner", {}}, python{"python html.parser", {}},
        xmllint{"xmllint --html", {}};
    std::size_t links = 0;
    long pyLinks = -1;
    bench::RunRounds(
        rounds,
        {[&](int) {
             scanner.rounds.push_back(bench::TimeHere([&] {
                 tessaly::THtmlScanner scan;
                 scan.SetHTMLText(ReadFile(corpusPath));
                 scan.Execute();
                 links = scan.Parsed().Hyperlinks.size();
             }));
         },
         [&](int) {
             python.rounds.push_back(bench::TimeProcess({"python3", py, corpusPath}, pyOut));
             if (FILE* f = std::fopen(pyOut.c_str(), "r")) {
                 if (std::fscanf(f, "%ld", &pyLinks) != 1) pyLinks = -1;
                 std::fclose(f);
             }
         },
         [&](int) {
             xmllint.rounds.push_back(bench::TimeProcess(
                 {"xmllint", "--html", "--xpath", "//a/@href", corpusPath}, "/dev/null"));
         }});

    std::printf("corpus: %.1f MB, %zu anchors found by THtmlScanner, %ld by html.parser\n", mb,
                links, pyLinks);
    std::printf(
        "%d rounds; in each, every program once, back to back, the order rotating each round\n"
        "every program reads the corpus file and scans it; a peer's figures are its whole "
        "process\nCPU = user + system time\n\n",
        rounds);
    std::printf("%-20s %-8s %10s %10s %10s\n", "program", "figure", "min", "median", "max");
    for (const Program* p : {&scanner, &python, &xmllint}) {
        std::vector<double> rate, wall, cpu;
        for (const auto& s : p->rounds) {
            if (s.wall <= 0) continue;
            rate.push_back(mb / s.wall);
            wall.push_back(s.wall);
            cpu.push_back(s.cpu);
        }
        if (wall.size() < p->rounds.size())
            std::printf("%-20s %zu of %zu rounds failed\n", p->name, p->rounds.size() - wall.size(),
                        p->rounds.size());
        if (wall.empty()) continue;
        std::printf("%-20s %-8s%s\n", p->name, "MB/s",
                    bench::Columns(bench::Summarize(rate), "%11.1f").c_str());
        std::printf("%-20s %-8s%s\n", "", "wall s",
                    bench::Columns(bench::Summarize(wall), "%11.3f").c_str());
        std::printf("%-20s %-8s%s\n", "", "CPU s",
                    bench::Columns(bench::Summarize(cpu), "%11.3f").c_str());
    }

    // Round by round: how many times the scanner's time the peer took.
    std::printf("\n%-44s %10s %10s %10s\n", "per-round ratio, peer / THtmlScanner", "min", "median",
                "max");
    auto ratios = [&](const Program& peer, const char* target) {
        std::vector<double> wall, cpu;
        for (std::size_t r = 0; r < peer.rounds.size(); ++r) {
            const auto& a = peer.rounds[r];
            const auto& b = scanner.rounds[r];
            if (a.wall <= 0 || b.wall <= 0) continue;
            wall.push_back(a.wall / b.wall);
            if (b.cpu > 0) cpu.push_back(a.cpu / b.cpu);
        }
        if (wall.empty()) return;
        std::printf("%-44s%s\n", (std::string(peer.name) + ", wall " + target).c_str(),
                    bench::Columns(bench::Summarize(wall), "%11.1f").c_str());
        std::printf("%-44s%s\n", (std::string(peer.name) + ", CPU").c_str(),
                    bench::Columns(bench::Summarize(cpu), "%11.1f").c_str());
    };
    ratios(python, "(target >= 40)");
    ratios(xmllint, "(target >= 10)");
    std::printf("target: THtmlScanner at least 200 MB/s\n");
    std::filesystem::remove_all(dir);
    return 0;
}
