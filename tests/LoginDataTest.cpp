#include <gtest/gtest.h>

#include "dialogs/LoginInput.h"
#include "text/Scramble.h"

namespace tessaly {
namespace {

TEST(Scramble, RoundTripsEveryByteWithEitherKey) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    for (std::uint16_t key : {kUserNameScrambleKey, kPasswordScrambleKey, std::uint16_t{0}}) {
        std::string scrambled = ScrambleText(all, key);
        ASSERT_EQ(scrambled.size(), all.size());
        EXPECT_NE(scrambled, all);
        EXPECT_EQ(UnscrambleText(scrambled, key), all);
    }
    EXPECT_NE(ScrambleText("secret", kUserNameScrambleKey),
              ScrambleText("secret", kPasswordScrambleKey));
}

TEST(Scramble, FollowsTheStreamRule) {
    // First byte: 'A' XOR high byte of the key; the state then advances with the output byte.
    const std::uint16_t key = 0x1234;
    std::string out = ScrambleText("AB", key);
    auto b0 = static_cast<unsigned char>('A' ^ 0x12);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), b0);
    std::uint32_t state = ((0x1234u + b0) * 52845u + 22719u) & 0xFFFFu;
    EXPECT_EQ(static_cast<unsigned char>(out[1]), static_cast<unsigned char>('B' ^ (state >> 8)));
}

class RecordingDialogs : public IDialogs {
public:
    bool CommonMessageBox(const std::string& text, TMessageKind kind, bool ask) override {
        texts.push_back(text);
        kinds.push_back(kind);
        asked = asked || ask;
        return true;
    }
    bool CommonInputBox(const std::string&, const std::string&, std::string&) override {
        return false;
    }
    std::vector<std::string> texts;
    std::vector<TMessageKind> kinds;
    bool asked = false;
};

TEST(LoginInput, LooksLikeEmail) {
    EXPECT_TRUE(LooksLikeEmail("a@b.c"));
    EXPECT_TRUE(LooksLikeEmail(" a @ b.c "));
    EXPECT_FALSE(LooksLikeEmail("a@bc"));
    EXPECT_FALSE(LooksLikeEmail("@b.c"));
    EXPECT_FALSE(LooksLikeEmail("a.b"));
}

TEST(LoginInput, ChecksInOrderAndShowsOneMessage) {
    struct Case {
        const char* user;
        const char* password;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"  ", "pw", "Please enter a valid User Name"},
        {"", "", "Please enter a valid User Name"},
        {"member", " ", "Please enter a valid password"},
        {"member@example.com", "pw",
         "You should not enter Email Address Here. Please Enter your UserID"},
        {"member@home", "pw", "You should not enter Email Address Here. Please Enter your UserID"},
        {"member", "pw", nullptr},
    };
    for (const Case& c : cases) {
        RecordingDialogs dialogs;
        bool ok = CheckLoginInput(dialogs, c.user, c.password);
        EXPECT_EQ(ok, c.message == nullptr) << c.user;
        if (c.message == nullptr) {
            EXPECT_TRUE(dialogs.texts.empty());
        } else {
            ASSERT_EQ(dialogs.texts.size(), 1u) << c.user;
            EXPECT_EQ(dialogs.texts[0], c.message);
            EXPECT_FALSE(dialogs.asked);
        }
    }
    EXPECT_STREQ(MessageKindCaption(TMessageKind::Confirmation), "confirmation");
}

}  // namespace
}  // namespace tessaly
