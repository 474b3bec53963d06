#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <random>

#include "platform/FileLock.h"
#include "settings/SettingsFileEx.h"
#include "support/TestEnv.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

class SettingsFileTest : public test::TempHomeTest {
protected:
    std::string Path(const char* name = "test.ini") const { return Dir() + name; }
};

TEST_F(SettingsFileTest, ReadsTheFileSyntax) {
    const std::string longValue(300, 'v');
    WriteFile(Path(),
              "orphan=1\n"
              "[Main]\r\n"
              "Key=Value\r\n"
              " padded=1\n"
              "url=http=x\n"
              "\n"
              "no equals here\n"
              "cr=a\rb\n"
              ";comment=1\n"
              "long=" +
                  longValue +
                  "\n"
                  "[ Spaced ]\n"
                  "x=1\n"
                  " [NotASection]\n"
                  "[]\n"
                  "empty=yes\n"
                  "[Tail]\n"
                  "before=z\x1a"
                  "after=lost\n");
    TSettingsFile ini(Path());
    EXPECT_EQ(ini.ReadString("main", "key", "d"), "Value");
    EXPECT_EQ(ini.ReadString("Main", "padded", "d"), "d");
    EXPECT_EQ(ini.ReadString("Main", " padded", "d"), "1");
    EXPECT_EQ(ini.ReadString("Main", "url", ""), "http=x");
    EXPECT_EQ(ini.ReadString("Main", "cr", ""), "ab");
    EXPECT_EQ(ini.ReadString("Main", ";comment", ""), "1");
    EXPECT_EQ(ini.ReadString("Main", "long", "").size(), 255u - 5u);
    EXPECT_EQ(ini.ReadString(" Spaced ", "x", ""), "1");
    EXPECT_FALSE(ini.SectionExists("Spaced"));
    EXPECT_FALSE(ini.SectionExists("NotASection"));
    EXPECT_EQ(ini.ReadString(" Spaced ", " [NotASection]", "none"), "none");
    EXPECT_EQ(ini.ReadString("", "empty", ""), "yes");
    EXPECT_EQ(ini.ReadString("Tail", "before", ""), "z");
    EXPECT_EQ(ini.ReadString("Tail", "after", "gone"), "gone");
    EXPECT_EQ(ini.ReadString("Nowhere", "k", "dflt"), "dflt");
    EXPECT_FALSE(ini.Changed());

    std::vector<std::string> keys;
    ini.ReadSection("MAIN", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"Key", " padded", "url", "cr", ";comment", "long"}));
    std::vector<std::string> lines;
    ini.ReadSectionValues("Main", lines);
    EXPECT_EQ(lines.size(), 7u);  // the line without "=" is kept
    std::vector<std::string> sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"Main", " Spaced ", "", "Tail"}));
}

TEST_F(SettingsFileTest, DuplicateSectionsMergeIntoTheFirstAndDisappearOnWrite) {
    WriteFile(Path(), "[A]\nx=1\n[B]\ny=1\n[a]\nx=2\nz=3\n");
    {
        TSettingsFile ini(Path());
        EXPECT_TRUE(ini.Changed());
        EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
        EXPECT_EQ(ini.ReadString("a", "z", "none"), "none");
    }
    EXPECT_EQ(ReadFile(Path()), "[A]\r\nx=1\r\n\r\n[B]\r\ny=1\r\n\r\n");

    WriteFile(Path(), "[A]\nx=1\n[a]\nx=2\n");
    TSettingsFile ini("");
    std::vector<std::string> seenKeep, seenDrop;
    ini.OnDuplicateSection = [&](const std::string& name, const std::vector<std::string>& keep,
                                 const std::vector<std::string>& drop) {
        EXPECT_EQ(name, "A");
        seenKeep = keep;
        seenDrop = drop;
        return false;  // keep the later one
    };
    ini.LoadFromFile(Path());
    EXPECT_EQ(seenKeep, std::vector<std::string>{"x=1"});
    EXPECT_EQ(seenDrop, std::vector<std::string>{"x=2"});
    EXPECT_EQ(ini.ReadString("A", "x", ""), "2");
}

TEST_F(SettingsFileTest, WritesOnlyNonEmptySectionsWithCrLf) {
    WriteFile(Path(), "junk before\n[S1]\na=1\n\n\n[S2]\nb=2\n");
    {
        TSettingsFile ini(Path());
        ini.WriteString("S3", "c", "3");
        ini.WriteString("Empty", "gone", "x");
        ini.DeleteKey("Empty", "gone");
        ini.DeleteKey("S2", "b");
        ini.WriteString("S1", "a", "one");
        ini.WriteInteger("S1", "n", -5);
        ini.WriteBool("S1", "t", true);
    }
    EXPECT_EQ(ReadFile(Path()), "[S1]\r\na=one\r\nn=-5\r\nt=1\r\n\r\n[S3]\r\nc=3\r\n\r\n");
}

TEST_F(SettingsFileTest, NoWriteWhenNothingChanged) {
    // LF endings on disk: any rewrite would turn them into CR LF.
    const std::string original = "[S]\nk=v\nCount=2\n1=a\n2=b\n";
    WriteFile(Path(), original);
    {
        TSettingsFileEx ini(Path());
        ini.WriteString("S", "k", "v");
        ini.WriteString("s", "K", "v");  // another spelling of the key rewrites the line
        EXPECT_TRUE(ini.Changed());
        ini.DiscardSections();
    }
    EXPECT_EQ(ReadFile(Path()), original);
    {
        TSettingsFileEx ini(Path());
        ini.WriteString("S", "k", "v");
        ini.WriteNumberedList("S", {"a", "b"});
        ini.DeleteKey("S", "missing");
        ini.EraseSection("missing");
        EXPECT_FALSE(ini.Changed());
    }
    EXPECT_EQ(ReadFile(Path()), original);
}

TEST_F(SettingsFileTest, WriteStringRules) {
    TSettingsFile ini(Path());
    ini.WriteString("S", "key", std::string(300, 'x'));
    std::vector<std::string> lines;
    ini.ReadSectionValues("S", lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 255u);
    ini.WriteLongString("S", "long", std::string(300, 'y'));
    EXPECT_EQ(ini.ReadLongString("S", "long", "").size(), 300u);
    EXPECT_EQ(ini.ReadString("S", "long", "").size(), 255u);

    ini.WriteString("S", "", "");  // erases the section
    EXPECT_FALSE(ini.SectionExists("S"));
    ini.WriteString("T", "k", "v");
    ini.WriteString("", "", "");  // writes the file
    EXPECT_FALSE(ini.Changed());
    EXPECT_EQ(ReadFile(Path()), "[T]\r\nk=v\r\n\r\n");
}

TEST_F(SettingsFileTest, NumbersAndBooleans) {
    WriteFile(
        Path(),
        "[N]\na=0x1F\nb=0X1f\nc=$1F\nd=12abc\ne=\nf= 42\ng=-7\nh=2\ni=-1\nj=yes\nk=99999999999\n"
        "l=$FFFFFFFF\nm=2.5\nn=2026-12-10\no=2026-12-10 14:05:06\np=14:05\n");
    TSettingsFile ini(Path());
    struct IntCase {
        const char* key;
        int want;
    };
    for (const IntCase& c : {IntCase{"a", 31}, IntCase{"b", 31}, IntCase{"c", 31}, IntCase{"d", -9},
                             IntCase{"e", -9}, IntCase{"f", 42}, IntCase{"g", -7}, IntCase{"k", -9},
                             IntCase{"l", -1}, IntCase{"missing", -9}}) {
        EXPECT_EQ(ini.ReadInteger("N", c.key, -9), c.want) << c.key;
    }
    EXPECT_TRUE(ini.ReadBool("N", "h", false));
    EXPECT_TRUE(ini.ReadBool("N", "i", false));
    EXPECT_FALSE(ini.ReadBool("N", "e", false));
    EXPECT_TRUE(ini.ReadBool("N", "j", true));
    EXPECT_FALSE(ini.ReadBool("N", "j", false));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "m", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "d", 1.5), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadDate("N", "n", 0), EncodeDateTime(2026, 12, 10));
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("N", "o", 0), EncodeDateTime(2026, 12, 10, 14, 5, 6));
    EXPECT_DOUBLE_EQ(ini.ReadTime("N", "p", 0), (14 * 60 + 5) / 1440.0);
    EXPECT_DOUBLE_EQ(ini.ReadDate("N", "d", 3.0), 3.0);

    TSettingsFile out(Path("out.ini"));
    out.WriteDateTime("D", "when", EncodeDateTime(1999, 2, 28, 23, 59, 59));
    EXPECT_EQ(out.ReadString("D", "when", ""), "1999-02-28 23:59:59");
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1), 2.0);
}

TEST_F(SettingsFileTest, LoadSwitches) {
    const std::string text = "[S]\n;c=1\nkey  \t=\t  value\nq=\"quoted\"\nr='x\"\nt=v \x01\nnoeq\n";
    WriteFile(Path(), text);
    TSettingsFile ini("");
    ini.DropCommentLines = true;
    ini.TrimAroundEquals = true;
    ini.StripValueQuotes = true;
    ini.TrimTrailingControls = true;
    ini.DropLinesWithoutEquals = true;
    ini.LoadFromFile(Path());
    std::vector<std::string> lines;
    ini.ReadSectionValues("S", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"key=value", "q=quoted", "r='x\"", "t=v"}));
    EXPECT_FALSE(ini.ValueExists("S", ";c"));

    ini.ClearBeforeSectionRead = true;
    ini.ReadSectionValues("S", lines);
    EXPECT_EQ(lines.size(), 4u);
}

TEST_F(SettingsFileTest, SetFileNameWritesThePreviousFile) {
    WriteFile(Path("b.ini"), "[B]\nk=b\n");
    TSettingsFile ini(Path("a.ini"));
    ini.WriteString("A", "k", "a");
    ini.SetFileName(Path("b.ini"));
    EXPECT_EQ(ReadFile(Path("a.ini")), "[A]\r\nk=a\r\n\r\n");
    EXPECT_EQ(ini.ReadString("B", "k", ""), "b");
    EXPECT_EQ(ini.ReadString("A", "k", "none"), "none");
    EXPECT_FALSE(ini.Changed());
}

TEST_F(SettingsFileTest, ReadAndWriteErrorsRaiseAndKeepTheChange) {
    std::filesystem::create_directories(Path("folder.ini"));
    EXPECT_THROW(TSettingsFile{Path("folder.ini")}, EFileError);

    TSettingsFile ini(Path("missing/dir/x.ini"));
    ini.WriteString("S", "k", "v");
    EXPECT_THROW(ini.UpdateFile(), EFileError);
    EXPECT_TRUE(ini.Changed());
    ini.DiscardSections();
}

// A write that fails half-way (here: the file size limit, as a full disk would) must leave the
// old file whole and no stray temporary file.
TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileIntact) {
    const std::string original = "[Old]\r\nk=v\r\n\r\n";
    WriteFile(Path(), original);
    TSettingsFile ini(Path());
    for (int i = 0; i < 200; ++i)
        ini.WriteString("Big", "key" + std::to_string(i), std::string(100, 'x'));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        ini.UpdateFile();
    } catch (const EFileError&) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(threw);
    EXPECT_TRUE(ini.Changed());
    EXPECT_EQ(ReadFile(Path()), original);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Dir())) ++files;
    EXPECT_EQ(files, 5u);  // home, data, config, run and test.ini

    ini.UpdateFile();  // once the disk has room again the same content is written
    EXPECT_FALSE(ini.Changed());
    TSettingsFile back(Path());
    EXPECT_EQ(back.ReadString("Big", "key199", "").size(), 100u);
}

// The key and section indexes must answer exactly like a plain scan, whatever sequence of
// edits came before.
TEST_F(SettingsFileTest, LookupsMatchAPlainModelUnderRandomEdits) {
    std::mt19937 rng(7);
    TSettingsFileEx ini("");
    std::map<std::string, std::vector<std::pair<std::string, std::string>>>
        model;  // folded section -> lines
    auto fold = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    auto find = [&](const std::string& sec,
                    const std::string& key) -> std::pair<std::string, std::string>* {
        auto it = model.find(fold(sec));
        if (it == model.end()) return nullptr;
        for (auto& kv : it->second) {
            if (fold(kv.first) == fold(key)) return &kv;
        }
        return nullptr;
    };
    auto name = [&](const char* prefix, int n) {
        std::string s = prefix + std::to_string(rng() % static_cast<unsigned>(n));
        if (rng() % 2) s = fold(s);
        return s;
    };
    for (int step = 0; step < 6000; ++step) {
        std::string sec = name("sec", 4);
        std::string key = name("key", 60);
        switch (rng() % 6) {
            case 0:
            case 1:
            case 2: {
                std::string value = std::to_string(rng() % 1000);
                ini.WriteString(sec, key, value);
                if (auto* kv = find(sec, key)) {
                    *kv = {key, value};
                } else {
                    model[fold(sec)].emplace_back(key, value);
                }
                break;
            }
            case 3: {
                ini.DeleteKey(sec, key);
                auto it = model.find(fold(sec));
                if (it != model.end()) {
                    auto& v = it->second;
                    for (auto p = v.begin(); p != v.end(); ++p) {
                        if (fold(p->first) == fold(key)) {
                            v.erase(p);
                            break;
                        }
                    }
                }
                break;
            }
            case 4: {
                std::string value = ini.ReadString(sec, key, "<none>");
                auto* kv = find(sec, key);
                ASSERT_EQ(value, kv ? kv->second : "<none>")
                    << "step " << step << " " << sec << "/" << key;
                break;
            }
            case 5:
                if (rng() % 40 == 0) {
                    ini.EraseSection(sec);
                    model.erase(fold(sec));
                }
                break;
        }
    }
    for (auto& [sec, lines] : model) {
        for (auto& [k, v] : lines)
            EXPECT_EQ(ini.ReadString(sec, k, "<none>"), v) << sec << "/" << k;
    }
    ini.DiscardSections();
}

}  // namespace
}  // namespace tessaly

namespace tessaly {
namespace {

// Names that differ only in letter case meet; names that differ in any other byte (also
// bytes that a careless fold would merge, such as "@" and "`" or bytes above 127) do not.
TEST(SettingsFold, SectionAndKeyNamesFoldOnlyAsciiLetters) {
    TSettingsFile ini("");
    std::string longName = "Folder/With/A/Long/Name/abcdefghijklmnopqrstuvwxyz0123456789";
    ini.WriteString(longName, "key", "1");
    EXPECT_EQ(ini.ReadString(UpperCase(longName), "KEY", ""), "1");
    for (const char* other : {"@", "`", "[", "{", "\xC1", "\xE1", "_"}) {
        ini.WriteString("s", std::string("k") + other, other);
    }
    for (int i = 0; i < 40; ++i)
        ini.WriteString("s", "pad" + std::to_string(i), "x");  // indexed section
    for (const char* other : {"@", "`", "[", "{", "\xC1", "\xE1", "_"}) {
        EXPECT_EQ(ini.ReadString("S", std::string("K") + other, ""), other) << other;
    }
    EXPECT_EQ(ini.ReadString("s", "PAD39", ""), "x");
    EXPECT_EQ(ini.ReadString("s", "pad40", "none"), "none");
    ini.DiscardSections();
}

}  // namespace
}  // namespace tessaly
