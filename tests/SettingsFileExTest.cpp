#include <gtest/gtest.h>

#include "settings/SettingsFileEx.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class SettingsFileExTest : public test::TempHomeTest {
protected:
    std::string Path() const { return Dir() + "ex.ini"; }
};

TEST_F(SettingsFileExTest, NumberedLists) {
    WriteFile(Path(), "[L]\nother=1\nCount=3\n1=a\n2=b\n3=c\n");
    {
        TSettingsFileEx ini(Path());
        std::vector<std::string> list;
        ini.ReadNumberedList("L", list, "?");
        EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c"}));
        ini.WriteNumberedList("L", {"x", std::string(300, 'y')});
    }
    EXPECT_EQ(ReadFile(Path()),
              "[L]\r\nother=1\r\nCount=2\r\n1=x\r\n2=" + std::string(253, 'y') + "\r\n\r\n");

    WriteFile(Path(), "[L]\nCount=3\n1=a\n3=c\n");
    TSettingsFileEx ini(Path());
    std::vector<std::string> list;
    ini.ReadNumberedList("L", list, "?");
    EXPECT_EQ(list, (std::vector<std::string>{"a", "?", "c"}));
    ini.DiscardSections();
}

TEST_F(SettingsFileExTest, HostileCountDoesNotRunAway) {
    WriteFile(Path(), "[L]\nCount=2000000000\n1=a\n");
    TSettingsFileEx ini(Path());
    std::vector<std::string> list;
    ini.ReadNumberedList("L", list, "");
    EXPECT_LE(list.size(), 2u);
    EXPECT_EQ(list.at(0), "a");
    ini.WriteNumberedList("L", {"b"});
    EXPECT_EQ(ini.ReadInteger("L", "Count", 0), 1);
    EXPECT_EQ(ini.ReadString("L", "1", ""), "b");
    ini.DiscardSections();
}

TEST_F(SettingsFileExTest, BytesHexAndFonts) {
    TSettingsFileEx ini(Path());
    const std::uint8_t bytes[] = {0x00, 0xAB, 0x7F, 0xFF};
    ini.WriteByteData("B", "data", bytes, sizeof bytes);
    EXPECT_EQ(ini.ReadString("B", "data", ""), "00AB7FFF");
    std::uint8_t back[8] = {};
    EXPECT_EQ(ini.ReadByteData("B", "data", back, sizeof back), 4u);
    EXPECT_EQ(back[1], 0xAB);
    EXPECT_EQ(ini.ReadByteData("B", "data", back, 2), 2u);
    ini.WriteString("B", "bad", "00zz");
    EXPECT_EQ(ini.ReadByteData("B", "bad", back, sizeof back), 0u);

    ini.WriteHexInteger("B", "hex", 0xDEADBEEF);
    EXPECT_EQ(ini.ReadString("B", "hex", ""), "DEADBEEF");
    EXPECT_EQ(ini.ReadHexInteger("B", "hex", 0), 0xDEADBEEFu);
    EXPECT_EQ(ini.ReadHexInteger("B", "missing", 0x1F), 0x1Fu);
    EXPECT_THROW((void)ini.ReadHexInteger("B", "bad", 0), EConvertError);

    TFontInfo font;
    font.name = "DejaVu Sans, Book";
    font.size = 11;
    font.bold = true;
    font.strikeOut = true;
    font.color = 0x0000FF;
    font.charset = 0;
    font.pitch = 2;
    ini.WriteFont("F", "font", font);
    EXPECT_EQ(ini.ReadString("F", "font", ""), "\"DejaVu Sans, Book\",11,1,,,1,clRed,0,2");
    TFontInfo read;
    ini.ReadFont("F", "font", read);
    EXPECT_EQ(read, font);
    ini.DiscardSections();
}

TEST_F(SettingsFileExTest, RenamesAndSectionValues) {
    TSettingsFileEx ini(Path());
    ini.WriteString("S", "old", "v");
    ini.RenameKey("S", "old", "new");
    EXPECT_EQ(ini.ReadString("S", "new", ""), "v");
    EXPECT_FALSE(ini.ValueExists("S", "old"));
    ini.RenameKey("S", "new", "NEW");  // only the spelling changes; the value must survive
    std::vector<std::string> lines;
    ini.ReadSectionValues("S", lines);
    EXPECT_EQ(lines, std::vector<std::string>{"NEW=v"});

    ini.WriteString("T", "k", "t");
    ini.RenameSection("S", "U");
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(ini.ReadString("U", "new", ""), "v");
    // A rename onto an existing name leaves two sections with the same name; both are kept.
    ini.RenameSection("T", "u");
    std::vector<std::string> names;
    ini.ReadSections(names);
    EXPECT_EQ(names, (std::vector<std::string>{"U", "u"}));

    ini.WriteSectionValues("W", {"a=1"});
    EXPECT_TRUE(ini.Changed());
    ini.UpdateFile();
    ini.WriteSectionValues("W", {"a=1"});
    EXPECT_FALSE(ini.Changed());
    ini.WriteSectionValues("W", {"a=2"});
    EXPECT_TRUE(ini.Changed());
    ini.WriteSectionValues("V", {"a=1", "b"});
    lines.clear();
    ini.ReadSectionValues("V", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"a=1", "b"}));
    ini.DiscardSections();
}

TEST(CommaText, QuotingAndElements) {
    TCommaText t("a, \"b c\",,\"say \"\"hi\"\"\" d");
    EXPECT_EQ(t.Items(), (std::vector<std::string>{"a", "b c", "", "say \"hi\"", "d"}));
    EXPECT_EQ(t.Text(), "a,\"b c\",,\"say \"\"hi\"\"\",d");
    EXPECT_EQ(t.AsInteger(0), -1);
    t.SetInteger(7, 12);
    EXPECT_EQ(t.Count(), 8);
    EXPECT_EQ(t.AsInteger(7), 12);
    t.SetBoolean(1, true);
    EXPECT_TRUE(t.AsBoolean(1));
    t.SetBoolean(1, false);
    EXPECT_EQ(t.AsText(1), "");
    t.SetText(2, "$00FF00");
    EXPECT_EQ(t.AsColor(2), 0x00FF00u);
    t.SetText(2, "clBlue");
    EXPECT_EQ(t.AsColor(2), 0xFF0000u);
    t.SetText(2, "chartreuse");
    EXPECT_EQ(t.AsColor(2), 0u);
}

}  // namespace
}  // namespace tessaly
