// The record frame every cell writes and reads, and the policy keyword converters.
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace moxtest;

namespace {

class RecordFrame : public moxtest::ArchiveTest {
  protected:
    // The bytes that the cell's Save writes after the preamble.
    std::string Frame(CmoxCell& cell) {
        std::stringstream out;
        CmoxArchive archive;
        EXPECT_EQ(archive.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
        const std::string preamble = out.str();
        cell.CmoxCell::Save(archive); // the frame alone, whatever the cell adds after it
        return out.str().substr(preamble.size());
    }
};

class PolicyKeywords : public RecordFrame {};

} // namespace

TEST_F(RecordFrame, ClassNameQuotedNameAndMarkedUserNameAreWrittenAndReadBack) {
    CmoxCell cell("Count", MOX_STATE_PRIORITY);
    EXPECT_EQ(Frame(cell), "CmoxCell \"Count\" \"$$\" ");
    RecordGroupCell group("Settings");
    group.UserName("Main {settings} \"x\"");
    EXPECT_EQ(Frame(group), "CmoxCompositeCell \"Settings\" \"$Main \\{settings\\} \\\"x\\\"$\" ");
    // Reading strips the first and last character without checking them; a cell without a user
    // name consumes the field too, and its base restore reads nothing.
    OpenOn("\"$Main settings$\" xAbcx \"$\" $$ \"$Label$\" = { 5 } next");
    for (const char* expected : {"Main settings", "Abc", "", ""}) {
        group.UserName("old");
        group.RestoreUserName(m_archive);
        EXPECT_STREQ(group.UserName(), expected);
    }
    cell.RestoreUserName(m_archive);
    EXPECT_EQ(cell.HasUserName(), 0);
    EXPECT_STREQ(cell.UserName(), "");
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(Next(), "=");
}

TEST_F(PolicyKeywords, ValuesBecomeTheirKeywordsAndConvertBackWithoutFlagging) {
    CmoxCell cell;
    for (int value : {0, 1}) {
        const std::string parent = Cmox::ConvertNotifyParent(value);
        EXPECT_EQ(parent, value ? "NOTIFY_PARENT" : "NO_NOTIFY_PARENT");
        EXPECT_EQ(Cmox::ConvertNotifyParent(parent, m_archive, &cell), value);
        const std::string make = Cmox::ConvertMakeParent(value);
        EXPECT_EQ(make, value ? "MAKE_PARENT" : "NO_MAKE_PARENT");
        EXPECT_EQ(Cmox::ConvertMakeParent(make, m_archive, &cell), value);
    }
    EXPECT_EQ(Cmox::ConvertNotifyParent(-5), "NOTIFY_PARENT");
    EXPECT_EQ(Cmox::ConvertMakeParent(2), "MAKE_PARENT");
    for (auto [policy, keyword] : {std::pair{ADDDEL_COLLNOTIFY, "ADDDEL_COLLNOTIFY"},
                                   std::pair{ALL_COLLNOTIFY, "ALL_COLLNOTIFY"}}) {
        EXPECT_EQ(Cmox::ConvertCollNotifyPolicy(policy), keyword);
        EXPECT_EQ(Cmox::ConvertCollNotifyPolicy(keyword, m_archive, &cell), policy);
    }
    for (auto [policy, keyword] :
         {std::pair{MOX_FIXED_INCR, "MOX_FIXED_INCR"}, std::pair{MOX_125_INCR, "MOX_125_INCR"},
          std::pair{MOX_124_INCR, "MOX_124_INCR"}}) {
        EXPECT_EQ(Cmox::ConvertIncrementPolicy(policy), keyword);
        EXPECT_EQ(Cmox::ConvertIncrementPolicy(keyword, m_archive, &cell), policy);
    }
    EXPECT_EQ(Cmox::ConvertCollNotifyPolicy(static_cast<MoxCollNotifyPolicy>(2)), "");
    EXPECT_EQ(Cmox::ConvertIncrementPolicy(static_cast<MoxIncrementPolicy>(3)), "");
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 1);
}

TEST_F(PolicyKeywords, UnknownKeywordsAreFlaggedAndGiveTheFallback) {
    CmoxCell cell;
    EXPECT_EQ(Cmox::ConvertNotifyParent("notify_parent", m_archive, &cell), 1);
    EXPECT_EQ(Cmox::ConvertCollNotifyPolicy("all_collnotify", m_archive, &cell), ADDDEL_COLLNOTIFY);
    EXPECT_EQ(Cmox::ConvertMakeParent("NO_MAKE_PARENT ", m_archive, &cell), 1);
    EXPECT_EQ(Cmox::ConvertIncrementPolicy("", m_archive, nullptr), MOX_FIXED_INCR);
    EXPECT_EQ(m_archive.GetRestoreArray(), (Codes{MOX_BAD_NOTIFY_PARENT, MOX_BAD_COLLNOTIFY,
                                                  MOX_BAD_MAKE_PARENT, MOX_BAD_INCR_POLICY}));
}
