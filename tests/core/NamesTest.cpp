#include <mox/mox.h>

#include <gtest/gtest.h>

TEST(Names, MarkedUserNamesRoundTrip) {
    std::string out = "junk";
    EXPECT_EQ(Cmox::MakeUserName(out, ""), MOX_NO_USER_NAME);
    EXPECT_EQ(Cmox::MakeUserName(out, "Gain"), "$Gain$");
    EXPECT_EQ(Cmox::ExtractUserName(out, "$Gain$"), "Gain");
    EXPECT_EQ(Cmox::ExtractUserName(out, "$$"), "");
    // Shorter than two delimiters: nothing inside, and no out-of-range read.
    EXPECT_EQ(Cmox::ExtractUserName(out, "$"), "");
    EXPECT_EQ(Cmox::ExtractUserName(out, ""), "");
}

TEST(Names, ExtractNameTakesWhatFollowsTheLastSeparator) {
    std::string out;
    EXPECT_EQ(Cmox::ExtractName(out, "\\Root\\Scope\\Gain"), "Gain");
    EXPECT_EQ(Cmox::ExtractName(out, "Gain"), "Gain");
    EXPECT_EQ(Cmox::ExtractName(out, "\\Root\\"), "");
}

TEST(Names, IsUserNameLooksOnlyAtTheFirstCharacter) {
    EXPECT_TRUE(Cmox::IsUserName("$Gain$"));
    EXPECT_TRUE(Cmox::IsUserName("$unterminated"));
    EXPECT_FALSE(Cmox::IsUserName("Gain"));
    EXPECT_FALSE(Cmox::IsUserName(""));
    EXPECT_FALSE(Cmox::IsUserName("G$"));
}

TEST(Names, MakePathStopsAtTheFirstEmptyComponent) {
    std::string out = "old";
    EXPECT_EQ(MoxMakePath(out, "Root", "Scope", "Gain", "", "X"), "\\Root\\Scope\\Gain");
    EXPECT_EQ(MoxMakePath(out, "Root", "", "Gain"), "\\Root");
    EXPECT_EQ(MoxMakePath(out, "Root", "Scope"), "\\Root\\Scope");
    EXPECT_EQ(MoxMakePath(out, ""), "\\");
    EXPECT_EQ(MoxMakePath(out, "A", "B", "C", "D", "E"), "\\A\\B\\C\\D\\E");
}
