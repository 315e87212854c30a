// Record search with the library's own cells: a large tree of composites and value cells saved
// to a file, then single cells and single subtrees restored by path or user name, and a
// collection's records listed, at cache depths 0 to 3.
#include <mox/archive/CmoxArchive.h>
#include <mox/collections/CmoxCompositeCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include "support/ArchiveTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kProfiles = 120;

std::string ProfileName(int i) {
    return "Profile" + std::to_string(i);
}
std::string ProfileUserName(int i) {
    return "Profile number " + std::to_string(i);
}

// Profile<i> (user name "Profile number <i>") holding Scope { Gain = i, Level = i / 2 } and
// Display { Theme = "theme <i>" }. With `i` < 0 the values are left at their neutral ones.
std::unique_ptr<CmoxCompositeCell> MakeProfile(int i, const std::string& name) {
    auto profile = std::make_unique<CmoxCompositeCell>(name.c_str());
    profile->AddChild(new CmoxStringCell(MOX_USER_NAME, ""));
    auto* scope = new CmoxCompositeCell("Scope");
    profile->AddChild(scope);
    scope->AddChild(new CmoxLongCell("Gain", i < 0 ? 0 : i));
    scope->AddChild(new CmoxDoubleCell("Level", i < 0 ? 0.0 : i / 2.0));
    auto* display = new CmoxCompositeCell("Display");
    profile->AddChild(display);
    display->AddChild(
        new CmoxStringCell("Theme", i < 0 ? "" : ("theme " + std::to_string(i)).c_str()));
    if (i >= 0) profile->UserName(ProfileUserName(i).c_str());
    return profile;
}

class SearchCells : public moxtest::ArchiveTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        m_path = ::testing::TempDir() + "mox_search_cells_" + std::to_string(GetParam()) + ".qvx";
        CmoxArchive writer;
        ASSERT_EQ(writer.Open(m_path.c_str(), MOX_ARCHIVE_WRITE, 0), 1);
        for (int i = 0; i < kProfiles; ++i)
            ASSERT_EQ(writer.Save(*MakeProfile(i, ProfileName(i))), 1);
        ASSERT_EQ(writer.Close(), 1);
        ASSERT_EQ(m_archive.Open(m_path.c_str(), MOX_ARCHIVE_READ, GetParam()), 1);
    }
    void TearDown() override {
        m_archive.Close();
        std::remove(m_path.c_str());
        moxtest::ArchiveTest::TearDown();
    }

    std::string m_path;
};

INSTANTIATE_TEST_SUITE_P(CacheDepths, SearchCells, ::testing::Values(0, 1, 2, 3));

} // namespace

TEST_P(SearchCells, RestoresOneDeepValueCellByPath) {
    CmoxLongCell gain("Gain", -1);
    CmoxFindSpec query("\\Profile87\\Scope", "Gain", 0);
    ASSERT_EQ(m_archive.Restore(&gain, query), 1);
    EXPECT_EQ(gain.Value(), 87);

    CmoxDoubleCell level("Level", -1.0);
    CmoxFindSpec levelQuery("\\Profile119\\Scope", "Level", 0);
    ASSERT_EQ(m_archive.Restore(&level, levelQuery), 1);
    EXPECT_DOUBLE_EQ(level.Value(), 59.5);

    CmoxStringCell theme("Theme", "unchanged");
    CmoxFindSpec absent("\\Profile120\\Display", "Theme", 0);
    EXPECT_EQ(m_archive.Restore(&theme, absent), 0);
    EXPECT_EQ(theme.Value(), "unchanged");
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 1);
}

TEST_P(SearchCells, RestoresOneSubtreeFoundByUserName) {
    auto profile = MakeProfile(-1, "Copy");
    CmoxFindSpec query("", "Profile number 42", 1);
    ASSERT_EQ(m_archive.Restore(profile.get(), query), 1);
    auto* scope = dynamic_cast<CmoxCompositeCell*>(profile->FindChild("Scope"));
    auto* display = dynamic_cast<CmoxCompositeCell*>(profile->FindChild("Display"));
    ASSERT_NE(scope, nullptr);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(scope->GetChildLong("Gain"), 42);
    EXPECT_EQ(display->GetChildString("Theme"), "theme 42");
    // The search read the record's user-name field; the user-name child is a record of its own
    // and comes back with the body.
    EXPECT_STREQ(profile->UserName(), "Profile number 42");
    EXPECT_EQ(profile->Name(), "Copy");
}

TEST_P(SearchCells, ListsTheRecordsOfOneCollection) {
    EXPECT_EQ(Listed("\\Profile3", 0, 0, 1),
              (std::vector<std::string>{MOX_USER_NAME, "Scope", "Display"}));
    EXPECT_EQ(Listed("\\Profile3\\Scope", 0, 1, 1),
              (std::vector<std::string>{"\\Profile3\\Scope\\Gain", "\\Profile3\\Scope\\Level"}));
    const std::vector<std::string> users = Listed("", 1, 0, 1);
    ASSERT_EQ(users.size(), static_cast<std::size_t>(kProfiles));
    EXPECT_EQ(users[77], ProfileUserName(77));
}
