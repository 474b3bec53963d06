#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "registry/RegistryFile.h"
#include "support/TestEnv.h"
#include "text/Scramble.h"

namespace tessaly {
namespace {

constexpr const char* kKey = "Software\\Tessaly2";

// Every key and value below a key: keys as "path\", values as "path\name" -> value.
using Tree = std::map<std::string, RegValue>;

void Collect(TRegistryStore& store, RegRoot root, const std::string& path, Tree& tree) {
    tree[path + "\\"] = RegValue{};
    for (const auto& [name, value] : store.Values(root, path)) tree[path + "\\" + name] = value;
    for (const auto& sub : store.SubKeyNames(root, path))
        Collect(store, root, path + "\\" + sub, tree);
}

Tree Snapshot(TRegistryStore& store, const std::string& path = kKey) {
    Tree tree;
    Collect(store, RegRoot::CurrentUser, path, tree);
    return tree;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto end = text.find("\r\n", i);
        out.push_back(text.substr(i, end - i));
        if (end == std::string::npos) break;
        i = end + 2;
    }
    return out;
}

class RegistryFileTest : public test::TempHomeTest {
protected:
    void Put(const std::string& path, const std::string& name, const RegValue& value) {
        store_.WriteValue(RegRoot::CurrentUser, path, name, value);
    }
    std::string Export(const std::string& path = kKey) {
        TRegistryFile file(store_);
        file.OpenKey(path);
        file.ExportKey(Dir() + "registry.reg");
        return ReadFile(Dir() + "registry.reg");
    }
    void Import(const std::string& text) {
        WriteFile(Dir() + "in.reg", text);
        TRegistryFile(store_).ImportRegFile(Dir() + "in.reg");
    }
    // The message of the exception an import of `text` raises ("" when none).
    std::string ImportError(const std::string& text) {
        try {
            Import(text);
        } catch (const ERegistryException& e) {
            return e.what();
        }
        return {};
    }
    std::optional<RegValue> Get(const std::string& path, const std::string& name,
                                RegRoot root = RegRoot::CurrentUser) {
        return store_.ReadValue(root, path, name);
    }

    TRegistryStore store_;
};

TEST_F(RegistryFileTest, WritesTheKnownTextOfASmallTree) {
    Put(kKey, "Say \"hi\" \\o/", RegValue::String("C:\\dir\\ \"quoted\""));
    Put(kKey, "DLMode", RegValue::Dword(0x2A));
    Put(kKey, "", RegValue::String("the unnamed value"));
    Put(std::string(kKey) + "\\GrabbedGroups", "SomeGroup", RegValue::String(""));
    store_.CreateKey(RegRoot::CurrentUser, std::string(kKey) + "\\Empty");
    Put(std::string(kKey) + "\\Types", "expand", RegValue::String("%HOME%", REG_EXPAND_SZ));
    Put(std::string(kKey) + "\\Types", "multi", RegValue::MultiString({"a", "b"}));
    Put(std::string(kKey) + "\\Types", "bin", RegValue::Binary(std::string("\x01\xff", 2)));

    EXPECT_EQ(Lines(Export()), (std::vector<std::string>{
                                   "REGEDIT4",
                                   "",
                                   "[HKEY_CURRENT_USER\\Software\\Tessaly2]",
                                   "\"Say \\\"hi\\\" \\\\o/\"=\"C:\\\\dir\\\\ \\\"quoted\\\"\"",
                                   "\"DLMode\"=dword:0000002a",
                                   "@=\"the unnamed value\"",
                                   "",
                                   "[HKEY_CURRENT_USER\\Software\\Tessaly2\\Empty]",
                                   "",
                                   "[HKEY_CURRENT_USER\\Software\\Tessaly2\\GrabbedGroups]",
                                   "\"SomeGroup\"=\"\"",
                                   "",
                                   "[HKEY_CURRENT_USER\\Software\\Tessaly2\\Types]",
                                   "\"expand\"=hex(2):25,48,4f,4d,45,25",
                                   "\"multi\"=hex(7):61,00,62,00",
                                   "\"bin\"=hex:01,ff",
                                   "",
                               }));
}

// Whatever the store holds comes back the same after an export, the key's removal and an
// import: names and texts with quotes and backslashes, the types, keys without values, and
// the scrambled login data whatever bytes it holds.
TEST_F(RegistryFileTest, RoundTripGivesBackEveryKeyAndValue) {
    Put(kKey, "a\\", RegValue::String("ends in a backslash\\"));
    Put(kKey, "\"quoted\"", RegValue::String("\"\\\"\\"));
    Put(kKey, "", RegValue::String("default"));
    Put(kKey, "number", RegValue::Dword(0xFFFFFFFF));
    Put(kKey, "short dword", RegValue{REG_DWORD, std::string("\x01\x02", 2)});
    Put(kKey, "odd type", RegValue{11, std::string("\0\x80", 2)});
    Put(kKey, "blank", RegValue::Binary(""));
    for (std::size_t n : {1u, 22u, 23u, 24u, 25u, 40u, 48u, 49u, 300u}) {
        std::string bytes;
        for (std::size_t i = 0; i < n; ++i) bytes.push_back(static_cast<char>((i * 37 + n) & 0xFF));
        Put(std::string(kKey) + "\\Bytes", "b" + std::to_string(n), RegValue::Binary(bytes));
    }
    Put(std::string(kKey) + "\\Types", "expand", RegValue::String("%PATH%;x", REG_EXPAND_SZ));
    Put(std::string(kKey) + "\\Types", "multi", RegValue::MultiString({"one", "", "three"}));
    store_.CreateKey(RegRoot::CurrentUser, std::string(kKey) + "\\Empty\\Deeper");
    // Passwords whose scrambled form holds a zero byte, a CR or an LF, and the plain bytes
    // themselves as a stored text.
    std::map<std::string, std::string> passwords;
    for (int i = 0; i < 400 && passwords.size() < 12; ++i) {
        const std::string password = "pass" + std::to_string(i);
        const std::string scrambled = ScrambleText(password, kUserNameScrambleKey);
        if (scrambled.find_first_of(std::string("\0\r\n", 3)) == std::string::npos) continue;
        passwords["user" + std::to_string(i)] = password;
        Put(std::string(kKey) + "\\Profiles", "user" + std::to_string(i),
            RegValue::String(scrambled));
    }
    ASSERT_EQ(passwords.size(), 12u);
    Put(kKey, "Persistence", RegValue::String(std::string("a\0b\r\nc\n\"\\", 9)));

    const Tree before = Snapshot(store_);
    const std::string text = Export();
    EXPECT_NE(text.find("\"Persistence\"=hex(1):61,00,62,0d,0a,63,0a,22,5c\r\n"),
              std::string::npos);
    ASSERT_TRUE(store_.DeleteKey(RegRoot::CurrentUser, kKey));
    Import(text);
    const Tree after = Snapshot(store_);
    for (const auto& [path, value] : before) {
        auto it = after.find(path);
        ASSERT_NE(it, after.end()) << path;
        EXPECT_EQ(it->second, value) << path;
    }
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [user, password] : passwords) {
        const auto stored = Get(std::string(kKey) + "\\Profiles", user);
        ASSERT_TRUE(stored) << user;
        EXPECT_EQ(UnscrambleText(stored->data, kUserNameScrambleKey), password) << user;
    }
}

TEST_F(RegistryFileTest, LongByteListsWrapOntoIndentedLines) {
    std::string bytes;
    for (int i = 0; i < 40; ++i) bytes.push_back(static_cast<char>(0xA0 + i));
    Put(kKey, "v", RegValue::Binary(bytes));
    const std::vector<std::string> lines = Lines(Export());
    ASSERT_EQ(lines.size(), 6u);
    // "v"=hex: and 23 bytes reach the 77th column; the rest follow after two blanks.
    EXPECT_EQ(lines[3].size(), 78u);
    EXPECT_EQ(lines[3].substr(0, 14), "\"v\"=hex:a0,a1,");
    EXPECT_EQ(lines[3].substr(lines[3].size() - 4), "b6,\\");
    EXPECT_EQ(lines[4].substr(0, 5), "  b7,");
    EXPECT_EQ(lines[4].substr(lines[4].size() - 3), ",c7");  // the last byte, no comma
    store_.DeleteKey(RegRoot::CurrentUser, kKey);
    Import("REGEDIT4\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n" + lines[4] + "\r\n");
    EXPECT_EQ(Get(kKey, "v"), RegValue::Binary(bytes));
}

struct ImportCase {
    const char* what;
    std::string text;
    std::string error;  // "" when the import succeeds
};

TEST_F(RegistryFileTest, ImportReadsWhatItShouldAndRefusesTheRest) {
    const std::string file = Dir() + "in.reg";
    const std::string header = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n";
    const std::vector<ImportCase> cases = {
        {"comments and blank lines before the header",
         "; saved by hand\r\n\r\n   \r\n  ; "
         "another\r\nREGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n"
         "\"ok\"=\"1\"\r\n",
         ""},
        {"a header followed by a blank", "REGEDIT4 \r\n",
         "Bad file format.  Missing REGEDIT4 in first line."},
        {"no header", "[HKEY_CURRENT_USER\\Software\\T]\r\n",
         "Bad file format.  Missing REGEDIT4 in first line."},
        {"an empty file", "", "Bad file format.  Missing REGEDIT4 in first line."},
        {"a value line without a name", header + "\"ok\"=\"1\"\r\nx=1\r\n",
         "Syntax error in reg file " + file + " at line 4"},
        {"a root in lower case", "REGEDIT4\r\n[hkey_current_user\\Software\\T]\r\n",
         "Syntax error in reg file " + file + " at line 1"},
        {"a short root name", "REGEDIT4\r\n[HKCU\\Software\\T]\r\n",
         "Syntax error in reg file " + file + " at line 1"},
        {"a key line without a path", "REGEDIT4\r\n[HKEY_CURRENT_USER\\]\r\n",
         "Syntax error in reg file " + file + " at line 1"},
        {"a key line without a root", "REGEDIT4\r\n[Software]\r\n",
         "Syntax error in reg file " + file + " at line 1"},
        {"a key line without its bracket", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\T\r\n",
         "Syntax error in reg file " + file + " at line 1"},
        {"a value before any key", "REGEDIT4\r\n\"a\"=\"b\"\r\n",
         "Syntax error in reg file " + file + " at line 1"},
        {"no equals sign", header + "\"a\" \"b\"\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"an unknown type", header + "\"a\"=qword:1\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a dword that is no number", header + "\"a\"=dword:xyz\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a dword too large", header + "\"a\"=dword:100000000\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a text without its closing quote", header + "\"a\"=\"b\\\"\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        // A byte list is two digits a byte with commas between; a short, long or foreign byte
        // is no byte at all (it used to be read as some other byte and stored).
        {"a byte of one digit", header + "\"a\"=hex:4\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a byte of three digits", header + "\"a\"=hex:41,424\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"bytes without commas", header + "\"a\"=hex:41424344\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a byte that is no number", header + "\"a\"=hex:zz,41\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a typed byte of one digit", header + "\"a\"=hex(2):41,4\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"an empty byte", header + "\"a\"=hex:41,,42\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a comma at the end", header + "\"a\"=hex:41,\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a type that is no number", header + "\"a\"=hex(x):41\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a type without its bracket", header + "\"a\"=hex(2:41\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a dword with a blank inside", header + "\"a\"=dword:00 01\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"an empty dword", header + "\"a\"=dword:\r\n",
         "Syntax error in reg file " + file + " at line 3"},
        {"a wrapped byte list with a bad byte", header + "\"a\"=hex:01,\\\r\n  0g\r\n",
         "Syntax error in reg file " + file + " at line 4"},
        {"blanks around the bytes", header + "\"a\"=hex: 41 ,\t42 \r\n", ""},
        {"continuations count their lines",
         header + "\"a\"=hex:01,\\\r\n  02,\\\r\n  03\r\nbad\r\n",
         "Syntax error in reg file " + file + " at line 6"},
    };
    for (const auto& c : cases) {
        store_.DeleteKey(RegRoot::CurrentUser, "Software\\T");
        EXPECT_EQ(ImportError(c.text), c.error) << c.what;
    }
}

TEST_F(RegistryFileTest, ValuesBeforeASyntaxErrorStayWritten) {
    Put("Software\\T", "untouched", RegValue::String("kept"));
    EXPECT_NE(ImportError("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n\"a\"=\"1\"\r\n"
                          "[HKEY_CURRENT_USER\\Software\\T\\Sub]\r\n\"b\"=dword:2\r\nx=1\r\n"
                          "\"c\"=\"never\"\r\n"),
              "");
    EXPECT_EQ(Get("Software\\T", "a"), RegValue::String("1"));
    EXPECT_EQ(Get("Software\\T\\Sub", "b"), RegValue::Dword(2));
    EXPECT_FALSE(Get("Software\\T\\Sub", "c"));
    EXPECT_EQ(Get("Software\\T", "untouched"), RegValue::String("kept"));
}

// A file that passes a limit is refused whole, values before the offending line included: a
// key nested deeper than the registry allows (such a key used to make every later export take
// hours), a line longer than the limit (refused before it is read whole), a file larger than
// the limit (refused before anything is read).
TEST_F(RegistryFileTest, WhatPassesALimitImportsNothing) {
    struct Case {
        const char* what;
        std::string text;  // after the header and a first key with a value
        std::string error;
    };
    const std::string file = Dir() + "in.reg";
    std::string deep = "[HKEY_CURRENT_USER\\Software";
    for (std::size_t i = 1; i < TRegistryFile::kMaxKeyDepth; ++i) deep += "\\k";
    const std::string deepest = deep + "]\r\n\"v\"=\"1\"\r\n";  // exactly the limit: taken
    const std::string tooDeep = deep + "\\k]\r\n";
    const std::vector<Case> cases = {
        {"a key one level too deep", deepest + tooDeep,
         "The key at line 5 of reg file " + file +
             " is nested deeper than 512 levels: nothing "
             "was imported"},
        {"a line longer than the limit",
         "\"long\"=\"" + std::string(TRegistryFile::kMaxLineBytes, 'x') + "\"\r\n",
         "Line 3 of reg file " + file + " is longer than 16 MB: nothing was imported"},
        {"a line made too long by its continuations",
         "\"long\"=hex:" + std::string(TRegistryFile::kMaxLineBytes / 2, '0') + "\\\r\n" +
             std::string(TRegistryFile::kMaxLineBytes / 2, '0') + "\r\n",
         "Line 4 of reg file " + file + " is longer than 16 MB: nothing was imported"},
    };
    for (const auto& c : cases) {
        store_.DeleteKey(RegRoot::CurrentUser, "Software");
        EXPECT_EQ(
            ImportError("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n\"a\"=\"1\"\r\n" + c.text),
            c.error)
            << c.what;
        EXPECT_FALSE(store_.KeyExists(RegRoot::CurrentUser, "Software\\T")) << c.what;
    }
    // At the limit the key is taken.
    store_.DeleteKey(RegRoot::CurrentUser, "Software");
    Import("REGEDIT4\r\n" + deepest);
    EXPECT_EQ(Get(deep.substr(std::string("[HKEY_CURRENT_USER\\").size()), "v"),
              RegValue::String("1"));

    WriteFile(Dir() + "huge.reg", "REGEDIT4\r\n");
    std::filesystem::resize_file(Dir() + "huge.reg", TRegistryFile::kMaxFileBytes + 1);  // sparse
    try {
        TRegistryFile(store_).ImportRegFile(Dir() + "huge.reg");
        ADD_FAILURE() << "a file beyond the limit was read";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(std::string(e.what()), "The reg file " + Dir() +
                                             "huge.reg is larger than 1024 MB: nothing was "
                                             "imported");
    }
}

// The export reads the tree in one go and walks it by key ids, so its time grows with the
// number of keys and values, whatever their depth: a chain far deeper than an import takes
// (a store filled before the limit existed) is written down to the limit, the rest is left out
// and named, and what was written imports again.
TEST_F(RegistryFileTest, ADeepChainOfKeysIsExportedAtOnceDownToTheLimit) {
    std::string path = kKey;
    for (int i = 0; i < 20000; ++i) path += "\\k";
    store_.CreateKey(RegRoot::CurrentUser, path);
    Put(std::string(kKey) + "\\k", "near", RegValue::String("top"));
    Put(path, "far", RegValue::String("bottom"));
    Put(std::string(kKey) + "\\z", "beside", RegValue::Dword(7));

    TRegistryFile file(store_);
    file.OpenKey(kKey);
    try {
        file.ExportKey(Dir() + "deep.reg");
        ADD_FAILURE() << "no failure for the keys left out";
    } catch (const ERegistryException& e) {
        EXPECT_NE(std::string(e.what()).find("1 key(s) nested deeper than 512 levels were left "
                                             "out (the first: Software\\Tessaly2\\k\\k"),
                  std::string::npos)
            << e.what();
    }
    const std::string text = ReadFile(Dir() + "deep.reg");
    EXPECT_EQ(text.find("bottom"), std::string::npos);
    ASSERT_TRUE(store_.DeleteKey(RegRoot::CurrentUser, kKey));
    Import(text);
    EXPECT_EQ(Get(std::string(kKey) + "\\k", "near"), RegValue::String("top"));
    EXPECT_EQ(Get(std::string(kKey) + "\\z", "beside"), RegValue::Dword(7));
    std::string last = kKey;
    for (std::size_t i = 2; i < TRegistryFile::kMaxKeyDepth; ++i) last += "\\k";
    EXPECT_TRUE(store_.KeyExists(RegRoot::CurrentUser, last));
    EXPECT_FALSE(store_.KeyExists(RegRoot::CurrentUser, last + "\\k"));
}

TEST_F(RegistryFileTest, ImportReadsNamesEscapesTypesAndRoots) {
    Import(
        "REGEDIT4\r\n"
        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
        "\"a\\\\\"=\"backslash name\"\r\n"  // "a\\" is the name a\, not a quote
        "\"q\\\"x\"  =  \"say \\\"so\\\"\"\r\n"
        "@=\"default\"\r\n"
        "\"n\"=DWORD : 1F\r\n"
        "\"h\"=hex(2):41,\\\r\n"
        "   42,00\r\n"
        "\"m\"=hex(7):61,00,00\r\n"
        "\"z\"=hex(0):\r\n"
        "; a comment between values\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\T]\r\n"
        "\"machine\"=\"wide\"\r\n");
    EXPECT_EQ(Get("Software\\T", "a\\"), RegValue::String("backslash name"));
    EXPECT_EQ(Get("Software\\T", "q\"x"), RegValue::String("say \"so\""));
    EXPECT_EQ(Get("Software\\T", ""), RegValue::String("default"));
    EXPECT_EQ(Get("Software\\T", "n"), RegValue::Dword(0x1F));
    EXPECT_EQ(Get("Software\\T", "h"), (RegValue{REG_EXPAND_SZ, std::string("AB\0", 3)}));
    EXPECT_EQ(Get("Software\\T", "m"), (RegValue{REG_MULTI_SZ, std::string("a\0\0", 3)}));
    EXPECT_EQ(Get("Software\\T", "z"), (RegValue{REG_NONE, ""}));
    EXPECT_EQ(Get("Software\\T", "machine", RegRoot::LocalMachine), RegValue::String("wide"));
    EXPECT_FALSE(Get("Software\\T", "machine"));
}

TEST_F(RegistryFileTest, ExportWritesAKeyWithoutValuesAsItsKeyLineOnly) {
    store_.CreateKey(RegRoot::CurrentUser, "Software\\Bare");
    EXPECT_EQ(Export("\\Software\\Bare\\"),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bare]\r\n\r\n");
}

TEST_F(RegistryFileTest, ExportToAFolderThatCannotTakeTheFileRaisesAFileError) {
    Put(kKey, "x", RegValue::String("y"));
    TRegistryFile file(store_);
    file.OpenKey(kKey);
    ::mkdir((Dir() + "taken.reg").c_str(), 0700);  // a folder where the file should go
    EXPECT_THROW(file.ExportKey(Dir() + "taken.reg"), EFileError);
    EXPECT_THROW(TRegistryFile(store_).ImportRegFile(Dir() + "missing.reg"), EFileError);
}

}  // namespace
}  // namespace tessaly
