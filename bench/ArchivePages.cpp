// Writes saved message pages for the archive benchmark: the simulated service's own message
// pages for a group of generated messages, with texts of varied words (a vocabulary of a few
// thousand words drawn with a skewed frequency, as in real mail), so the search index is of a
// realistic size.
//
// Usage: archive_bench_pages FOLDER FIRST COUNT [LAST]
// writes the pages of messages FIRST .. FIRST+COUNT-1 as FOLDER/NNNNNNN.html, each saying it is
// one "of LAST" (default: the last one written), one message every 7 hours 13 minutes.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "groupsim/SimData.h"
#include "groupsim/SimPages.h"

namespace {

std::uint64_t state = 0x7E55A1;

std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<std::string> Vocabulary(int size) {
    static const char* kSyllables[] = {"ba",  "ke",  "lo",  "mi",  "nu",  "ra",  "se",
                                       "ti",  "vo",  "za",  "dor", "fen", "gal", "hin",
                                       "jup", "wer", "qua", "ly",  "pre", "son"};
    std::vector<std::string> words;
    for (int i = 0; i < size; ++i) {
        std::string w;
        const int parts = 1 + static_cast<int>(Next() % 3);
        for (int k = 0; k < parts; ++k) w += kSyllables[Next() % 20];
        words.push_back(w);
    }
    return words;
}

// A word drawn with a frequency that falls with its rank (roughly Zipf's law).
const std::string& Word(const std::vector<std::string>& words) {
    const double u = static_cast<double>(Next() % 1000000) / 1000000.0;
    const auto rank = static_cast<std::size_t>(std::pow(static_cast<double>(words.size()), u)) - 1;
    return words[std::min(rank, words.size() - 1)];
}

std::string DateOf(int n) {
    const std::time_t start = 1103058300;  // 2004-12-14 21:05 UTC
    const std::time_t t = start + static_cast<std::time_t>(n) * (7 * 3600 + 13 * 60);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a %b %d, %Y %I:%M %p", &tm);
    std::string s = buf;
    for (char& c : s) c = c == 'A' && &c > &s[20] ? 'a' : c == 'P' && &c > &s[20] ? 'p' : c;
    for (std::size_t i = s.size() - 2; i < s.size(); ++i)
        s[i] = static_cast<char>(std::tolower(s[i]));
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: archive_bench_pages FOLDER FIRST COUNT [LAST]\n";
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const int first = std::stoi(argv[2]), count = std::stoi(argv[3]);
    const int last = argc > 4 ? std::stoi(argv[4]) : first + count - 1;
    const std::vector<std::string> words = Vocabulary(6000);
    static const char* kFrom[] = {"Alice Walker", "bob_smith",    "Carol",   "dave.jones",
                                  "Erin",         "Frank Miller", "grace.h", "Heidi"};
    groupsim::Group group;
    group.name = "BigGroup";
    for (int n = first; n < first + count; ++n) {
        state = std::uint64_t{0x7E55A1} ^ (std::uint64_t{static_cast<unsigned>(n)} << 20);
        groupsim::Message m;
        m.number = n;
        m.from = kFrom[Next() % 8];
        m.subject =
            (Next() % 3 == 0 ? "Re: " : "") + Word(words) + " " + Word(words) + " " + Word(words);
        m.date = DateOf(n);
        const int length = 40 + static_cast<int>(Next() % 160);
        std::string line;
        for (int k = 0; k < length; ++k) {
            line += Word(words);
            line += k % 11 == 10 ? ". " : " ";
            if (line.size() > 68) {
                m.body += line + "\n";
                line.clear();
            }
        }
        m.body += line + "\n\n" + m.from + "\n";
        group.messages.push_back(std::move(m));
    }
    // The page says "of LAST" and links to the next message as the service's does.
    groupsim::Message tail;
    tail.number = last;
    if (last > first + count - 1) group.messages.push_back(tail);
    const std::string token = groupsim::FileStoreToken(1, "demo_member");
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%07d.html", group.messages[i].number);
        std::ofstream(folder + name, std::ios::binary)
            << groupsim::pages::MessagePage(group, i, token);
    }
    return 0;
}
