#include <mox/mox.h>

#include <gtest/gtest.h>

TEST(Names, UserNamesMarkedNamesAndPaths) {
    std::string out = "junk";
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {Cmox::MakeUserName(out, ""), MOX_NO_USER_NAME}, {Cmox::MakeUserName(out, "Gain"), "$Gain$"},
        {Cmox::ExtractUserName(out, "$Gain$"), "Gain"}, {Cmox::ExtractUserName(out, "$$"), ""},
        // Shorter than two delimiters: nothing inside, and no out-of-range read.
        {Cmox::ExtractUserName(out, "$"), ""}, {Cmox::ExtractUserName(out, ""), ""},
        {Cmox::ExtractName(out, "\\Root\\Scope\\Gain"), "Gain"}, {Cmox::ExtractName(out, "Gain"), "Gain"},
        {Cmox::ExtractName(out, "\\Root\\"), ""},
        // A path stops at the first empty component.
        {MoxMakePath(out, "Root", "Scope", "Gain", "", "X"), "\\Root\\Scope\\Gain"},
        {MoxMakePath(out, "Root", "", "Gain"), "\\Root"}, {MoxMakePath(out, "Root", "Scope"), "\\Root\\Scope"},
        {MoxMakePath(out, ""), "\\"}, {MoxMakePath(out, "A", "B", "C", "D", "E"), "\\A\\B\\C\\D\\E"}};
    // clang-format on
    for (const auto& [made, expected] : rows)
        EXPECT_EQ(made, expected);
    // Only the first character marks a user name.
    for (const char* name : {"$Gain$", "$unterminated"})
        EXPECT_TRUE(Cmox::IsUserName(name)) << name;
    for (const char* name : {"Gain", "", "G$"})
        EXPECT_FALSE(Cmox::IsUserName(name)) << name;
}

// Values that applications store or compare and that no other test pins down.
TEST(Constants, PrioritiesAndRestoreCodesKeepTheirValues) {
    EXPECT_EQ(MOX_STATE_PRIORITY, 150);
    EXPECT_EQ(MOX_CUTOFF_PRIORITY, 100);
    EXPECT_EQ(MOX_UI_PRIORITY, 50);
    EXPECT_EQ(MOX_BAD_INCR_POLICY, 10);
    EXPECT_EQ(MOX_RESTORE_DECLINED, 4);
}
