// The restore driver and the look-ahead: results, flagged codes, transaction
// unwinding and round trips of saved records; the record frame every cell
// writes and reads; the policy keywords.
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace moxtest;

namespace {

// Opens transactions and sub-transactions while restoring, then restores like a
// long cell, so a fault leaves them open for the driver to end.
class TransactionalCell : public RecordValueCell {
  public:
    TransactionalCell() : RecordValueCell("CmoxLongCell", "Count", kLong) {}
    void Restore(CmoxArchive& archive) override {
        Cmox& engine = Cmox::Current();
        engine.BeginTransaction();
        engine.BeginSubTransaction();
        engine.BeginTransaction();
        engine.BeginSubTransaction();
        RecordValueCell::Restore(archive);
        engine.EndSubTransaction();
        engine.EndTransaction();
        engine.EndSubTransaction();
        engine.EndTransaction();
    }
};

// Reads an increment-policy keyword, which is flagged but never thrown when
// unknown.
class PolicyCell : public CmoxCell {
  public:
    MoxIncrementPolicy policy = MOX_124_INCR;
    void Restore(CmoxArchive& archive) override {
        policy = Cmox::ConvertIncrementPolicy(archive.ReadToken(), archive, this);
    }
};

class ArchiveRestore : public ArchiveTest {
  protected:
    // Reads a record's class name and name, as a container does, and checks them.
    void ReadFrameHead(const char* className, const char* name) {
        ASSERT_EQ(m_archive.ReadToken(), className);
        ASSERT_EQ(m_archive.ReadToken(), name);
    }
    // Opens on `text`, whose first record is the collection G, and reads G's frame.
    void OpenAtBodyOfG(const std::string& text) {
        OpenOn(text);
        ReadFrameHead("CmoxCompositeCell", "G");
        ASSERT_EQ(m_archive.ReadToken(), "$$");
    }
    // The bytes that the cell's Save writes after the preamble.
    static std::string Frame(CmoxCell& cell) {
        std::stringstream out;
        CmoxArchive archive;
        EXPECT_EQ(archive.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
        const std::size_t preamble = out.str().size();
        cell.CmoxCell::Save(archive); // the frame alone, whatever the cell adds after it
        return out.str().substr(preamble);
    }
};

} // namespace

// A surplus brace or a truncated block fails the restore and leaves the cell; a
// keyword that is flagged but not thrown leaves the result 1. Codes accumulate
// until reset, and the archive stays usable: the driver clears the end-of-file
// flag.
TEST_F(ArchiveRestore, FailuresFlagTheirCodeAndLeaveTheCellAndTheArchiveUsable) {
    OpenOn("= { 1 } }\r\nCmoxLongCell \"B\" \"$$\" = { 2  }\r\n= { 5");
    RecordValueCell a("CmoxLongCell", "A", RecordValueCell::kLong);
    RecordValueCell b("CmoxLongCell", "B", RecordValueCell::kLong);
    a.longValue = 9;
    EXPECT_EQ(m_archive.Restore(&a), 0);
    ReadFrameHead("CmoxLongCell", "B");
    b.RestoreUserName(m_archive);
    EXPECT_EQ(m_archive.Restore(&b), 1);
    EXPECT_EQ(b.longValue, 2);
    EXPECT_EQ(m_archive.Restore(&a), 0);
    EXPECT_EQ(a.longValue, 9);
    EXPECT_EQ(a.restoreCount, 0);
    EXPECT_EQ(Errors(), (Codes{MOX_RESTORE_UNEXPECTED_END, MOX_RESTORE_BAD_FORMAT}));
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 0);
    EXPECT_EQ(m_archive.Good(), 1);
    m_archive.ResetErrors();
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 1);
    EXPECT_TRUE(Errors().empty());
    OpenOn("mox_fixed_incr MOX_125_INCR");
    PolicyCell cell;
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(cell.policy, MOX_FIXED_INCR);
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(cell.policy, MOX_125_INCR);
    EXPECT_EQ(Errors(), Codes{MOX_BAD_INCR_POLICY});
}

// The driver ends the levels a failing cell left open, and only those.
TEST_F(ArchiveRestore, RestoreLeavesTheLevelsAsItFoundThem) {
    TransactionalCell cell;
    Cmox& engine = Engine();
    for (const char* body : {"= { 5  }\r\n", "= { 6"}) {
        OpenOn(body);
        engine.BeginTransaction();
        engine.BeginSubTransaction();
        EXPECT_EQ(m_archive.Restore(&cell), body[4] == '5' ? 1 : 0);
        EXPECT_EQ(cell.longValue, 5);
        EXPECT_EQ(engine.TransactionLevel(), 1);
        EXPECT_EQ(engine.SubTransactionLevel(), 1);
        engine.EndSubTransaction();
        engine.EndTransaction();
    }
    std::stringstream out; // nor does it restore from an archive not open for reading
    CmoxArchive writing;
    ASSERT_EQ(writing.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
    EXPECT_EQ(writing.Restore(&cell), 0);
    EXPECT_EQ(writing.RestoreLookAhead(&cell, "Count"), 0);
    EXPECT_EQ(CmoxArchive().Restore(&cell), 0);
    EXPECT_EQ(cell.restoreCount, 1);
}

TEST_F(ArchiveRestore, FrameHoldsClassNameQuotedNameAndMarkedUserName) {
    CmoxCell cell("Count", MOX_STATE_PRIORITY);
    EXPECT_EQ(Frame(cell), "CmoxCell \"Count\" \"$$\" ");
    RecordGroupCell group("Settings");
    group.UserName("Main {settings} \"x\"");
    EXPECT_EQ(Frame(group), "CmoxCompositeCell \"Settings\" \"$Main \\{settings\\} \\\"x\\\"$\" ");
    // Reading strips the first and last character without checking them; a cell
    // without a user name consumes the field too, and its base restore reads
    // nothing.
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

// Every value's keyword, and out of range the fallback (a true flag, or
// nothing); each keyword converts back unflagged, and an unknown one, in any
// other letter case or with a blank, is flagged and gives the fallback.
TEST_F(ArchiveRestore, PolicyKeywordsConvertBothWaysAndUnknownOnesAreFlagged) {
    std::string keywords;
    for (int value : {0, 1, -5})
        keywords += Cmox::ConvertNotifyParent(value) + " " + Cmox::ConvertMakeParent(value) + " ";
    for (int policy : {0, 1, 2})
        keywords += Cmox::ConvertCollNotifyPolicy(static_cast<MoxCollNotifyPolicy>(policy)) + " ";
    for (auto policy : {MOX_FIXED_INCR, MOX_125_INCR, MOX_124_INCR, MoxIncrementPolicy(3)})
        keywords += Cmox::ConvertIncrementPolicy(policy) + " ";
    EXPECT_EQ(keywords, "NO_NOTIFY_PARENT NO_MAKE_PARENT NOTIFY_PARENT MAKE_PARENT NOTIFY_PARENT "
                        "MAKE_PARENT ADDDEL_COLLNOTIFY ALL_COLLNOTIFY  MOX_FIXED_INCR "
                        "MOX_125_INCR "
                        "MOX_124_INCR  ");
    CmoxCell cell;
    for (int value : {0, 1}) {
        EXPECT_EQ(Cmox::ConvertNotifyParent(Cmox::ConvertNotifyParent(value), m_archive, &cell),
                  value);
        EXPECT_EQ(Cmox::ConvertMakeParent(Cmox::ConvertMakeParent(value), m_archive, &cell), value);
    }
    for (auto policy : {ADDDEL_COLLNOTIFY, ALL_COLLNOTIFY})
        EXPECT_EQ(
            Cmox::ConvertCollNotifyPolicy(Cmox::ConvertCollNotifyPolicy(policy), m_archive, &cell),
            policy);
    for (auto policy : {MOX_FIXED_INCR, MOX_125_INCR, MOX_124_INCR})
        EXPECT_EQ(
            Cmox::ConvertIncrementPolicy(Cmox::ConvertIncrementPolicy(policy), m_archive, &cell),
            policy);
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 1);
    EXPECT_EQ(Cmox::ConvertNotifyParent("notify_parent", m_archive, &cell), 1);
    EXPECT_EQ(Cmox::ConvertCollNotifyPolicy("all_collnotify", m_archive, &cell), ADDDEL_COLLNOTIFY);
    EXPECT_EQ(Cmox::ConvertMakeParent("NO_MAKE_PARENT ", m_archive, &cell), 1);
    EXPECT_EQ(Cmox::ConvertIncrementPolicy("", m_archive, nullptr), MOX_FIXED_INCR);
    EXPECT_EQ(Errors(), (Codes{MOX_BAD_NOTIFY_PARENT, MOX_BAD_COLLNOTIFY, MOX_BAD_MAKE_PARENT,
                               MOX_BAD_INCR_POLICY}));
}

// ---- look-ahead
// ----------------------------------------------------------------------------

TEST_F(ArchiveRestore, LookAheadRestoresOutOfOrderWithinTheOpeningBlockAndComesBack) {
    // On a string stream and on a file, which starts with the warning block.
    const std::string path = TempFile("restore_lookahead");
    RecordGroupCell saved("G");
    saved.Add<RecordValueCell>("CmoxLongCell", "A", RecordValueCell::kLong)->longValue = 1;
    saved.Add<RecordValueCell>("CmoxLongCell", "B", RecordValueCell::kLong)->longValue = 2;
    RecordValueCell c("CmoxLongCell", "C", RecordValueCell::kLong);
    CmoxArchive writer;
    ASSERT_EQ(writer.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0), 1);
    ASSERT_EQ(writer.Save(saved), 1);
    ASSERT_EQ(writer.Save(c), 1);
    ASSERT_EQ(writer.Close(), 1);
    for (const bool onFile : {false, true}) {
        if (onFile) {
            ASSERT_EQ(m_archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
        } else {
            OpenOn(SavedRecords(saved) + SavedRecords(c));
        }
        ReadFrameHead("CmoxCompositeCell", "G");
        ASSERT_EQ(Next(), "$$");
        const int line = m_archive.Line();
        m_archive.SetIndent(4);
        RecordValueCell a("CmoxLongCell", "A", RecordValueCell::kLong);
        RecordValueCell b("CmoxLongCell", "B", RecordValueCell::kLong);
        EXPECT_EQ(m_archive.RestoreLookAhead(&b, "B"), 1);
        EXPECT_EQ(b.longValue, 2);
        EXPECT_EQ(m_archive.RestoreLookAhead(&a, "A"), 1);
        EXPECT_EQ(a.longValue, 1);
        EXPECT_EQ(m_archive.RestoreLookAhead(&c, "C"), 0) << "C follows the block that opens here";
        EXPECT_EQ(c.restoreCount, 0);
        EXPECT_EQ(m_archive.Good(), 1);
        EXPECT_EQ(m_archive.Line(), onFile ? 18 : 2);
        EXPECT_EQ(m_archive.Line(), line);
        EXPECT_EQ(m_archive.Indent(), 4);
        EXPECT_EQ(Next(), "{");
        EXPECT_EQ(Next(), "CmoxLongCell");
        EXPECT_EQ(Next(), "A");
    }
    m_archive.Close();
    std::remove(path.c_str());
}

TEST_F(ArchiveRestore, LookAheadOnATruncatedFileOrAFailingRecordComesBack) {
    OpenAtBodyOfG("CmoxCompositeCell \"G\" \"$$\" {\r\n\tCmoxLongCell \"A\" "
                  "\"$$\" = { 1  }\r\n");
    RecordValueCell z("CmoxLongCell", "Z", RecordValueCell::kLong);
    EXPECT_EQ(m_archive.RestoreLookAhead(&z, "Z"), 0);
    EXPECT_EQ(m_archive.Good(), 1);
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(Next(), "{");
    OpenOn("{ CmoxLongCell \"A\" \"$$\" = { 1 } } }\r\n}\r\n");
    RecordValueCell a("CmoxLongCell", "A", RecordValueCell::kLong);
    EXPECT_EQ(m_archive.RestoreLookAhead(&a, "A"), 0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_UNEXPECTED_END});
    EXPECT_EQ(Next(), "{");
}
