// The restore driver and the look-ahead: results, flagged codes, transaction unwinding, and round
// trips of saved trees.
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;

namespace {

// Opens transactions and sub-transactions while restoring, then restores like a long cell, so
// a fault leaves them open for the driver to end.
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

// Reads an increment-policy keyword, which is flagged but never thrown when unknown.
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
};

} // namespace

TEST_F(ArchiveRestore, TruncatedValueRecordFailsWithBadFormatAndLeavesTheCell) {
    RecordValueCell count("CmoxLongCell", "Count", RecordValueCell::kLong);
    count.longValue = 9;
    EXPECT_EQ(RestoreRecord("CmoxLongCell \"Count\" \"$$\" = { 5", count), 0);
    EXPECT_EQ(m_archive.GetRestoreArray(), Codes{MOX_RESTORE_BAD_FORMAT});
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 0);
    EXPECT_EQ(count.longValue, 9);
    EXPECT_EQ(count.restoreCount, 0);
    // The driver cleared the end-of-file flag, so the archive is usable again.
    EXPECT_EQ(m_archive.Good(), 1);
}

TEST_F(ArchiveRestore, RestoreLeavesTheLevelsAsTheCellLeftThemAndAFailureEndsThoseItOpened) {
    OpenOn("= { 5  }\r\n");
    TransactionalCell cell;
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(cell.longValue, 5);
    EXPECT_EQ(Engine().TransactionLevel(), 0);
    EXPECT_EQ(Engine().SubTransactionLevel(), 0);
    OpenOn("= { 5"); // truncated: the cell throws with its levels open
    Cmox& engine = Engine();
    engine.BeginTransaction();
    engine.BeginSubTransaction();
    EXPECT_EQ(m_archive.Restore(&cell), 0);
    EXPECT_EQ(engine.TransactionLevel(), 1);
    EXPECT_EQ(engine.SubTransactionLevel(), 1);
    engine.EndSubTransaction();
    engine.EndTransaction();
}

TEST_F(ArchiveRestore, SurplusBraceFailsWithUnexpectedEndAndTheNextRecordStillRestores) {
    OpenOn("= { 1 } }\r\nCmoxLongCell \"B\" \"$$\" = { 2  }\r\n");
    RecordValueCell a("CmoxLongCell", "A", RecordValueCell::kLong);
    RecordValueCell b("CmoxLongCell", "B", RecordValueCell::kLong);
    EXPECT_EQ(m_archive.Restore(&a), 0);
    ReadFrameHead("CmoxLongCell", "B");
    b.RestoreUserName(m_archive);
    EXPECT_EQ(m_archive.Restore(&b), 1);
    EXPECT_EQ(b.longValue, 2);
    EXPECT_EQ(m_archive.GetRestoreArray(), Codes{MOX_RESTORE_UNEXPECTED_END});
}

TEST_F(ArchiveRestore, ErrorsAccumulateUntilReset) {
    OpenOn("= } \r\n= } \r\n");
    RecordValueCell a("CmoxLongCell", "A", RecordValueCell::kLong);
    EXPECT_EQ(m_archive.Restore(&a), 0);
    EXPECT_EQ(m_archive.Restore(&a), 0);
    EXPECT_EQ(m_archive.GetRestoreArray(), (Codes{2, 2}));
    m_archive.ResetErrors();
    EXPECT_EQ(m_archive.CheckRestoreStatus(), 1);
    EXPECT_TRUE(m_archive.GetRestoreArray().empty());
}

TEST_F(ArchiveRestore, FlaggedButNotThrownErrorsLeaveTheResultOne) {
    OpenOn("mox_fixed_incr MOX_125_INCR");
    PolicyCell cell;
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(cell.policy, MOX_FIXED_INCR);
    EXPECT_EQ(m_archive.GetRestoreArray(), Codes{MOX_BAD_INCR_POLICY});
    EXPECT_EQ(m_archive.Restore(&cell), 1);
    EXPECT_EQ(cell.policy, MOX_125_INCR);
    EXPECT_EQ(m_archive.GetRestoreArray().size(), 1u);
}

TEST_F(ArchiveRestore, DriverRefusesAnArchiveNotOpenForReading) {
    RecordValueCell a("CmoxLongCell", "A", RecordValueCell::kLong);
    CmoxArchive closed;
    EXPECT_EQ(closed.Restore(&a), 0);
    std::stringstream out;
    CmoxArchive writing;
    ASSERT_EQ(writing.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
    EXPECT_EQ(writing.Restore(&a), 0);
    EXPECT_EQ(a.restoreCount, 0);
    EXPECT_EQ(writing.RestoreLookAhead(&a, "A"), 0);
}

TEST_F(ArchiveRestore, NamesAndUserNamesWithEveryEscapedCharacterRoundTrip) {
    const char* odd = "a\"b\\c{d}e/f\tg\rh\ni\bj // k";
    RecordGroupCell saved("G");
    auto* inner = saved.Add<RecordGroupCell>(odd);
    inner->UserName("user \"name\" {x} /y/");
    inner->Add<RecordValueCell>("CmoxLongCell", "", RecordValueCell::kLong)->longValue = 3;
    const std::string text = SavedRecords(saved);
    EXPECT_NE(text.find("CmoxLongCell \"\" \"$$\" = { 3  }"), std::string::npos) << text;

    RecordGroupCell restored("G");
    auto* target = restored.Add<RecordGroupCell>(odd);
    target->UserName("before"); // only a cell that keeps a user name takes one from the record
    auto* value = target->Add<RecordValueCell>("CmoxLongCell", "", RecordValueCell::kLong);
    EXPECT_EQ(RestoreRecord(text, restored), 1);
    EXPECT_TRUE(restored.skipped.empty());
    EXPECT_STREQ(target->UserName(), "user \"name\" {x} /y/");
    EXPECT_EQ(value->longValue, 3);
}

// ---- look-ahead ----------------------------------------------------------------------------

TEST_F(ArchiveRestore, LookAheadRestoresOutOfOrderWithinTheOpeningBlockAndComesBack) {
    // On a string stream and on a file, which starts with the warning block.
    const std::string path = testing::TempDir() + "mox_restore_lookahead.qvx";
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
    OpenAtBodyOfG("CmoxCompositeCell \"G\" \"$$\" {\r\n\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n");
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
