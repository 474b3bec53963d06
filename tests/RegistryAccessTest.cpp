#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "registry/RegistryAccess.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class RegistryAccessTest : public test::TempHomeTest {};

constexpr RegRoot kHKCU = RegRoot::CurrentUser;

TEST_F(RegistryAccessTest, StringsNamesAndDeletion) {
    EXPECT_EQ(ReadRegString(kHKCU, "\\Software\\Tessaly2\\Missing"), "");
    WriteRegString(kHKCU, "\\Software\\Tessaly2\\Name", "value");
    WriteRegString(kHKCU, "\\Software\\Tessaly2\\Sub\\Inner", "x");
    EXPECT_EQ(ReadRegString(kHKCU, "\\software\\tessaly2\\NAME"), "value");
    EXPECT_TRUE(RegValueExists(kHKCU, "\\Software\\Tessaly2\\Name"));
    std::vector<std::string> names, keys;
    ReadRegValueNames(kHKCU, "\\Software\\Tessaly2", names);
    ReadRegKeyNames(kHKCU, "\\Software\\Tessaly2", keys);
    EXPECT_EQ(names, std::vector<std::string>{"Name"});
    EXPECT_EQ(keys, std::vector<std::string>{"Sub"});
    DeleteRegValue(kHKCU, "\\Software\\Tessaly2\\Name");
    EXPECT_FALSE(RegValueExists(kHKCU, "\\Software\\Tessaly2\\Name"));
}

TEST_F(RegistryAccessTest, TypedValuesRoundTripByKind) {
    const char* path = "\\Software\\Tessaly2\\Typed";
    struct Case {
        TRegValueKind kind;
        TRegVariant value;
    };
    const Case cases[] = {
        {TRegValueKind::Integer, std::int32_t{-42}},
        {TRegValueKind::Boolean, true},
        {TRegValueKind::String, std::string("text")},
        {TRegValueKind::Date, 46366.0},
        {TRegValueKind::Time, 0.25},
        {TRegValueKind::Float, 3.14159},
        {TRegValueKind::Currency, 12.3456},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteRegValue(kHKCU, path, c.value, c.kind)) << static_cast<int>(c.kind);
        auto back = ReadRegValue(kHKCU, path, c.kind);
        ASSERT_TRUE(back) << static_cast<int>(c.kind);
        EXPECT_EQ(*back, c.value) << static_cast<int>(c.kind);
    }
    // A value of another type reads as nothing; so does a missing one.
    ASSERT_TRUE(WriteRegValue(kHKCU, path, std::string("12"), TRegValueKind::String));
    EXPECT_FALSE(ReadRegValue(kHKCU, path, TRegValueKind::Integer));
    EXPECT_FALSE(ReadRegValue(kHKCU, "\\Software\\Tessaly2\\None", TRegValueKind::String));
    // Conversions on write.
    ASSERT_TRUE(WriteRegValue(kHKCU, path, std::string("12"), TRegValueKind::Integer));
    EXPECT_EQ(std::get<std::int32_t>(*ReadRegValue(kHKCU, path, TRegValueKind::Integer)), 12);
    EXPECT_FALSE(WriteRegValue(kHKCU, path, std::string("twelve"), TRegValueKind::Integer));
    EXPECT_EQ(std::get<std::int32_t>(*ReadRegValue(kHKCU, path, TRegValueKind::Integer)), 12);
}

TEST_F(RegistryAccessTest, WriteRegValueReportsAnUnopenableStore) {
    // The private state folder is a file: the store cannot be created.
    std::filesystem::remove_all(Dir() + "config");
    WriteFile(Dir() + "config", "not a folder");
    EXPECT_FALSE(
        WriteRegValue(kHKCU, "\\Software\\Tessaly2\\X", std::int32_t{1}, TRegValueKind::Integer));
    EXPECT_THROW(WriteRegString(kHKCU, "\\Software\\Tessaly2\\X", "y"), ERegistryException);
}

TEST_F(RegistryAccessTest, AValueWrittenOnOneThreadIsReadOnAnother) {
    std::thread writer([] { WriteRegString(kHKCU, "\\Software\\Tessaly2\\FromThread", "hello"); });
    writer.join();
    std::string seen;
    std::thread reader(
        [&seen] { seen = ReadRegString(kHKCU, "\\Software\\Tessaly2\\FromThread"); });
    reader.join();
    EXPECT_EQ(seen, "hello");
}

}  // namespace
}  // namespace tessaly
