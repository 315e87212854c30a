// The restore driver and the look-ahead: results, flagged codes, transaction unwinding and round
// trips of saved records; the record frame every cell writes and reads; the policy keywords.
#include "support/ArchiveTest.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

using namespace moxtest;

namespace {

// Reads an increment-policy keyword, which is flagged but never thrown when unknown.
class PolicyCell : public CmoxCell {
  public:
    MoxIncrementPolicy policy = MOX_124_INCR;
    void Restore(CmoxArchive& archive) override {
        policy = Cmox::ConvertIncrementPolicy(archive.ReadToken(), archive, this);
    }
};

// Opens two transactions and sub-transactions, nested, around a long cell's restore, so that a
// fault leaves them open for the driver to end; counts the restores that complete.
class TransactionalCell : public CmoxLongCell {
  public:
    using CmoxLongCell::CmoxLongCell;
    int restores = 0;
    void Restore(CmoxArchive& archive) override {
        Cmox& engine = Cmox::Current();
        for (int i = 0; i < 2; ++i) {
            engine.BeginTransaction();
            engine.BeginSubTransaction();
        }
        CmoxLongCell::Restore(archive);
        ++restores;
        for (int i = 0; i < 2; ++i) {
            engine.EndSubTransaction();
            engine.EndTransaction();
        }
    }
};

class ArchiveRestore : public ArchiveTest {};

} // namespace

// A surplus brace or a truncated block fails the restore and leaves the cell; the driver ends
// the levels the failing cell left open, and only those. A keyword that is flagged but not thrown
// leaves the result 1. Codes accumulate until reset, and the archive stays usable: the driver
// clears the end-of-file flag. An archive not open for reading restores nothing.
TEST_F(ArchiveRestore, FailuresFlagTheirCodeEndWhatTheCellOpenedAndLeaveTheArchiveUsable) {
    Cmox& engine = Engine();
    engine.BeginTransaction();
    engine.BeginSubTransaction();
    OpenOn("= { 1 } }\r\nCmoxLongCell \"B\" \"$$\" = { 2  }\r\n= { 5");
    TransactionalCell a("A", 9), b("B", 0);
    std::ostringstream log;
    auto levels = [&] {
        return " levels " + std::to_string(engine.TransactionLevel()) + "/" +
               std::to_string(engine.SubTransactionLevel());
    };
    log << "A " << m_archive.Restore(&a) << levels() << ", then " << Next() << ' ' << Next()
        << '\n';
    b.RestoreUserName(m_archive);
    log << "B " << m_archive.Restore(&b) << " to " << b.Value() << levels() << '\n';
    log << "A " << m_archive.Restore(&a) << " keeps " << a.Value() << " after " << a.restores
        << " restores;" << levels() << ' ' << Text(Errors()) << " status "
        << m_archive.CheckRestoreStatus() << " good " << m_archive.Good() << '\n';
    engine.EndSubTransaction();
    engine.EndTransaction();
    m_archive.ResetErrors();
    log << "reset: status " << m_archive.CheckRestoreStatus() << ' ' << Text(Errors()) << '\n';
    OpenOn("mox_fixed_incr MOX_125_INCR");
    PolicyCell cell;
    log << "policy " << m_archive.Restore(&cell) << " to " << cell.policy;
    log << ", " << m_archive.Restore(&cell) << " to " << cell.policy << ' ' << Text(Errors())
        << '\n';
    std::stringstream out;
    CmoxArchive writing;
    ASSERT_EQ(writing.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
    log << "not reading: " << writing.Restore(&b) << writing.RestoreLookAhead(&b, "B")
        << CmoxArchive().Restore(&b) << " after " << b.restores << " restores";
    EXPECT_EQ(log.str(), "A 0 levels 1/1, then CmoxLongCell B\n"
                         "B 1 to 2 levels 1/1\n"
                         "A 0 keeps 9 after 0 restores; levels 1/1 [2 1] status 0 good 1\n"
                         "reset: status 1 []\n"
                         "policy 1 to 0, 1 to 1 [10]\n"
                         "not reading: 000 after 1 restores");
}

TEST_F(ArchiveRestore, FrameHoldsClassNameQuotedNameAndMarkedUserName) {
    CmoxCell cell("Count", MOX_STATE_PRIORITY);
    EXPECT_EQ(SavedRecords(cell), "CmoxCell \"Count\" \"$$\" \r\n");
    CmoxCompositeCell group("Settings");
    GiveUserName(group, "Main {settings} \"x\"");
    EXPECT_EQ(SavedRecords(group),
              "CmoxCompositeCell \"Settings\" \"$Main \\{settings\\} \\\"x\\\"$\" {\r\n}\r\n");
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
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(Next(), "=");
}

// Every value's keyword, and out of range the fallback (a true flag, or nothing); each keyword
// converts back unflagged, and an unknown one, in any other letter case or with a blank, is
// flagged and gives the fallback.
TEST_F(ArchiveRestore, PolicyKeywordsConvertBothWaysAndUnknownOnesAreFlagged) {
    std::string keywords;
    for (int value : {0, 1, -5})
        keywords += Cmox::ConvertNotifyParent(value) + " " + Cmox::ConvertMakeParent(value) + " ";
    for (int policy : {0, 1, 2})
        keywords += Cmox::ConvertCollNotifyPolicy(static_cast<MoxCollNotifyPolicy>(policy)) + " ";
    for (int policy : {0, 1, 2, 3})
        keywords += Cmox::ConvertIncrementPolicy(static_cast<MoxIncrementPolicy>(policy)) + " ";
    EXPECT_EQ(keywords, "NO_NOTIFY_PARENT NO_MAKE_PARENT NOTIFY_PARENT MAKE_PARENT NOTIFY_PARENT "
                        "MAKE_PARENT ADDDEL_COLLNOTIFY ALL_COLLNOTIFY  MOX_FIXED_INCR "
                        "MOX_125_INCR MOX_124_INCR  ");
    CmoxCell cell;
    for (int value : {0, 1, 2}) {
        SCOPED_TRACE(value);
        const auto coll = static_cast<MoxCollNotifyPolicy>(value);
        const auto incr = static_cast<MoxIncrementPolicy>(value);
        EXPECT_EQ(
            Cmox::ConvertIncrementPolicy(Cmox::ConvertIncrementPolicy(incr), m_archive, &cell),
            incr);
        if (value == 2) continue;
        EXPECT_EQ(Cmox::ConvertNotifyParent(Cmox::ConvertNotifyParent(value), m_archive, &cell),
                  value);
        EXPECT_EQ(Cmox::ConvertMakeParent(Cmox::ConvertMakeParent(value), m_archive, &cell), value);
        EXPECT_EQ(
            Cmox::ConvertCollNotifyPolicy(Cmox::ConvertCollNotifyPolicy(coll), m_archive, &cell),
            coll);
    }
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 1);
    EXPECT_EQ(Cmox::ConvertNotifyParent("notify_parent", m_archive, &cell), 1);
    EXPECT_EQ(Cmox::ConvertCollNotifyPolicy("all_collnotify", m_archive, &cell), ADDDEL_COLLNOTIFY);
    EXPECT_EQ(Cmox::ConvertMakeParent("NO_MAKE_PARENT ", m_archive, &cell), 1);
    EXPECT_EQ(Cmox::ConvertIncrementPolicy("", m_archive, nullptr), MOX_FIXED_INCR);
    EXPECT_EQ(Errors(), (Codes{MOX_BAD_NOTIFY_PARENT, MOX_BAD_COLLNOTIFY, MOX_BAD_MAKE_PARENT,
                               MOX_BAD_INCR_POLICY}));
}

// ---- look-ahead ----------------------------------------------------------------------------

// Out of order within the block that opens where the archive stands, not past it, and back to
// where it started; on a string stream and on a file.
TEST_F(ArchiveRestore, LookAheadRestoresOutOfOrderWithinTheOpeningBlockAndComesBack) {
    CmoxCompositeCell saved("G");
    saved.AddChild(new CmoxLongCell("A", 1), 1);
    saved.AddChild(new CmoxLongCell("B", 2), 1);
    CmoxLongCell a("A", 0), b("B", 0), c("C", 3);
    const std::string text = "PREAMBLE \r\n// c\r\n" + SavedRecords(saved) + SavedRecords(c);
    c.Value(9L);
    const std::string path = TempFile("restore_lookahead");
    std::ofstream(path, std::ios::binary) << text;
    for (const bool onFile : {false, true}) {
        if (onFile) {
            ASSERT_EQ(m_archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
        } else {
            OpenText(text);
        }
        ASSERT_EQ(Next(), "CmoxCompositeCell");
        ASSERT_EQ(Next(), "G");
        ASSERT_EQ(Next(), "$$");
        m_archive.SetIndent(4);
        EXPECT_EQ(m_archive.RestoreLookAhead(&b, "B"), 1);
        EXPECT_EQ(m_archive.RestoreLookAhead(&a, "A"), 1);
        EXPECT_EQ(a.Value() * 10 + b.Value(), 12);
        EXPECT_EQ(m_archive.RestoreLookAhead(&c, "C"), 0) << "C follows the block that opens here";
        EXPECT_EQ(c.Value(), 9);
        EXPECT_EQ(m_archive.Good(), 1);
        EXPECT_EQ(m_archive.Line(), 3);
        EXPECT_EQ(m_archive.Indent(), 4);
        EXPECT_EQ(Next(), "{");
        EXPECT_EQ(Next(), "CmoxLongCell");
        EXPECT_EQ(Next(), "A");
        a.Value(0L);
        b.Value(0L);
    }
    m_archive.Close();
    std::remove(path.c_str());
    // On a truncated file, or a record that fails, it comes back too.
    OpenOn("CmoxCompositeCell \"G\" \"$$\" {\r\n\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n");
    for (int i = 0; i < 3; ++i)
        Next();
    EXPECT_EQ(m_archive.RestoreLookAhead(&c, "Z"), 0);
    EXPECT_EQ(m_archive.Good(), 1);
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(Next(), "{");
    OpenOn("{ CmoxLongCell \"A\" \"$$\" = { 1 } } }\r\n}\r\n");
    EXPECT_EQ(m_archive.RestoreLookAhead(&a, "A"), 0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_UNEXPECTED_END});
    EXPECT_EQ(Next(), "{");
}
