// The search index of a block: how texts are cut into words (both ways), and the block script read
// back against the messages it was made from (a thousand messages in shuffled order, thousands of
// distinct words with repeats, non-ASCII words), so every word lists exactly its messages; the
// texts of the scripts and of the catalog written and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "archive/MessageCatalog.h"
#include "archive/SearchBlock.h"
#include "archive/SearchWords.h"
#include "archive/SiteText.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

TEST(SearchWords, TextsAreCutIntoLowerCaseWords) {
    const std::string longest(archive::kLongestWord, 'x');
    struct Case {
        std::string text, words;
    };
    const Case cases[] = {
        {"", ""},
        {"Hello, World! a bb 42", "hello world bb 42 "},
        {"re:re-RE_x9", "re re re x9 "},
        {longest + " " + longest + "y", longest + " "},  // one unit too long is no word
        {"Gr\u00fc\u00dfe aus K\u00d6LN", "gr\u00fc\u00dfe aus k\u00f6ln "},
        {"na\u00efve caf\u00e9-au-lait \u65e5\u672c\u8a9e",
         "na\u00efve caf\u00e9 au lait "
         "\u65e5\u672c\u8a9e "},
        // One character of two UTF-16 units is a word; one of one unit is not.
        {"\u00e9 \U0001D400 end", "\U0001D400 end "},
    };
    for (const Case& c : cases) {
        std::string words = "kept ";
        archive::AppendWords(c.text, words);
        EXPECT_EQ(words, "kept " + c.words) << c.text;
        // The cut line by line gives the same words, also when lines mix both kinds of text.
        for (const std::string& text : {c.text, c.text + "\n" + c.text}) {
            std::string taken;
            archive::ForEachWord(text, [&](std::string_view w) { (taken += w) += ' '; });
            EXPECT_EQ(taken, text == c.text ? c.words : c.words + c.words) << text;
        }
    }
}

// The words of a block script, each with the positions of its messages (base-36 differences
// decoded), in the order the script gives them.
std::vector<std::pair<std::string, std::vector<int>>> WordsOf(const std::string& script) {
    std::vector<std::pair<std::string, std::vector<int>>> words;
    std::size_t at = script.find("],{\n");
    if (at == std::string::npos) return words;
    at += 4;
    while (at < script.size() && script[at] == '"') {
        const std::size_t colon = script.find("\":\"", at);
        const std::size_t end = script.find('"', colon + 3);
        std::pair<std::string, std::vector<int>> word;
        word.first = script.substr(at + 1, colon - at - 1);
        int position = 0;
        std::size_t k = colon + 3;
        while (k < end) {
            std::size_t comma = script.find(',', k);
            if (comma > end) comma = end;
            position += std::stoi(script.substr(k, comma - k), nullptr, 36);
            word.second.push_back(position);
            k = comma + 1;
        }
        words.push_back(std::move(word));
        at = end + 1;
        if (script.compare(at, 2, ",\n") == 0) at += 2;
    }
    return words;
}

// The texts of a block script are JavaScript strings that no text can break out of, and the
// catalog keeps texts with line ends, tabs and backslashes as they were.
class SiteTextTest : public test::TempHomeTest {};

TEST_F(SiteTextTest, TextsAreWrittenSafelyAndKeptWhole) {
    struct Case {
        std::string text, literal;
    };
    const Case cases[] = {
        {"", "\"\""},
        {"plain text", "\"plain text\""},
        {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\""},
        {"a</script>b", "\"a\\u003c/script>b\""},
        {"tab\there\x01", "\"tab\\u0009here\\u0001\""},
        {"line\u2028para\u2029end \u20ac", "\"line\\u2028para\\u2029end \u20ac\""},
        {"\xE2", "\"\xE2\""},
    };
    for (const Case& c : cases) EXPECT_EQ(archive::JsString(c.text), c.literal) << c.text;

    const std::string odd[] = {"", "plain", "tab\tnew\nline\rret\\slash", "\\\\\t\n", "end\\"};
    std::vector<archive::TCatalogEntry> entries;
    for (std::size_t i = 0; i < std::size(odd); ++i) {
        archive::TCatalogEntry e;
        e.number = static_cast<std::int64_t>(i + 1);
        e.file = "000000" + std::to_string(i + 1) + ".html";
        e.size = 1234567890123ull;
        e.mtimeNs = -5;
        e.subject = odd[i];
        e.author = odd[std::size(odd) - 1 - i];
        e.dateText = odd[i];
        entries.push_back(e);
    }
    const std::string path = Dir() + "catalog";
    archive::SaveCatalog(path, entries);
    const std::vector<archive::TCatalogEntry> back = archive::LoadCatalog(path);
    ASSERT_EQ(back.size(), entries.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_TRUE(back[i].SameFile(entries[i])) << i;
        EXPECT_EQ(back[i].subject, entries[i].subject) << i;
        EXPECT_EQ(back[i].author, entries[i].author) << i;
        EXPECT_EQ(back[i].dateText, entries[i].dateText) << i;
    }
}

// A cache with a number beyond 64 bits or a date no page could show is not the program's: it
// loads as none (the site is built anew) instead of overflowing or handing the date's texts
// values they cannot print.
TEST_F(SiteTextTest, ACacheWithAnImpossibleNumberOrDateLoadsAsNone) {
    const std::string good = "1\t0000001.html\t10\t5\t0\t@2004 12 14 21 5 0 -480 1";
    for (const std::string& entry :
         {good, std::string("1\t0000001.html\t10\t17000000000000000000\t0\t"),
          std::string("99999999999999999999\t0000001.html\t10\t5\t0\t"),
          std::string("1\t0000001.html\t10\t5\t0\t@2004 12 14 21 5 0 -2147483648 1"),
          std::string("1\t0000001.html\t10\t5\t0\t@99999 1 1 0 0 0 0 0"),
          std::string("1\t0000001.html\t10\t5\t0\t@2004 1 1 2147483647 0 0 0 0"),
          std::string("1\t0000001.html\t10\t5\t0\t@2004 1 1 0 -1 0 0 0"),
          std::string("1\t0000001.html\t10\t5\t0\t@2004 13 1 0 0 0 0 0")}) {
        const std::string path = Dir() + "catalog";
        WriteFile(path, "tessaly-catalog 4\n" + entry + "\t=s\t=a\n");
        const auto entries = archive::LoadCatalog(path);
        EXPECT_EQ(entries.size(), entry == good ? 1u : 0u) << entry;
        if (!entries.empty()) {
            EXPECT_EQ(entries[0].date->MailText(), "Tue, 14 Dec 2004 21:05:00 -0800");
        }
    }
}

TEST(SearchBlock, EveryWordListsExactlyItsMessages) {
    std::mt19937 random(16);
    std::vector<std::string> vocabulary;
    for (int i = 0; i < 6000; ++i) {
        std::string w = "w" + std::to_string(i * 7919 % 100003);
        if (i % 50 == 0) w += "\u00e9\u65e5";  // some non-ASCII words
        vocabulary.push_back(w);
    }
    const std::size_t count = 1000;
    std::vector<archive::TCatalogEntry> entries(count);
    std::vector<int> numbers(count);
    for (std::size_t i = 0; i < count; ++i) numbers[i] = 5000 + static_cast<int>(i);
    std::shuffle(numbers.begin(), numbers.end(), random);
    std::vector<archive::TBlockMessage> messages;
    std::map<int, std::set<std::string>> wordsByNumber;
    for (std::size_t i = 0; i < count; ++i) {
        entries[i].number = numbers[i];
        entries[i].file = std::to_string(numbers[i]) + ".html";
        archive::TBlockMessage m{&entries[i], {}};
        const int length = 1 + static_cast<int>(random() % 60);
        for (int k = 0; k < length; ++k) {
            // Skewed towards the first words, so many repeat within a message.
            const std::size_t pick = random() % (random() % 2 == 0 ? 20 : vocabulary.size());
            m.text += vocabulary[pick] + (k % 7 == 6 ? "\n" : " ");
            wordsByNumber[numbers[i]].insert(vocabulary[pick]);
        }
        messages.push_back(std::move(m));
    }
    // Positions are those of the messages in number order.
    std::map<std::string, std::vector<int>> expected;
    int position = 0;
    for (const auto& [number, words] : wordsByNumber) {
        for (const std::string& w : words) expected[w].push_back(position);
        ++position;
    }

    const std::string script = archive::SearchBlockScript("Walkers", 5, messages);
    ASSERT_TRUE(
        script.starts_with("TS.block(\"Walkers\",5,[\n[5000,\"5000.html\",null,null,null],"))
        << script.substr(0, 200);
    EXPECT_TRUE(script.ends_with("});\n"));
    const auto words = WordsOf(script);
    ASSERT_EQ(words.size(), expected.size());
    auto e = expected.begin();
    for (const auto& [word, positions] : words) {
        EXPECT_EQ(word, e->first);  // in byte order
        EXPECT_EQ(positions, e->second) << word;
        ++e;
    }
}

}  // namespace
}  // namespace tessaly
