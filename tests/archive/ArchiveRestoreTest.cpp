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

class ArchiveRestore : public ArchiveTest {
  protected:
    // Logs "keyword=value" for `keyword` converted back by `back`, marked "!" if it was flagged.
    template <class Value>
    void LogBack(const std::string& keyword,
                 Value (*back)(const std::string&, CmoxArchive&, CmoxCell*)) {
        const std::size_t flags = Errors().size();
        m_log << keyword << '=' << int(back(keyword, m_archive, &m_cell))
              << (Errors().size() > flags ? "! " : " ");
    }
    CmoxCell m_cell;
    std::ostringstream m_log;
};

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
    CmoxCompositeCell group("Settings");
    GiveUserName(group, "Main {settings} \"x\"");
    EXPECT_EQ(SavedRecords(cell) + SavedRecords(group),
              "CmoxCell \"Count\" \"$$\" \r\n"
              "CmoxCompositeCell \"Settings\" \"$Main \\{settings\\} \\\"x\\\"$\" {\r\n}\r\n");
    // Reading strips the first and last character without checking them; a cell without a user
    // name consumes the field too, and its base restore reads nothing.
    OpenOn("\"$Main settings$\" xAbcx \"$\" $$ \"$Label$\" = { 5 } next");
    std::ostringstream log;
    for (int i = 0; i < 4; ++i) {
        group.UserName("old");
        group.RestoreUserName(m_archive);
        log << group.UserName() << '|';
    }
    cell.RestoreUserName(m_archive);
    log << cell.HasUserName() << m_archive.Restore(&cell) << Next();
    EXPECT_EQ(log.str(), "Main settings|Abc|||01=");
}

// Every value's keyword converts back, unflagged ("!" marks a flag); out of range the keyword is
// the fallback (a true flag) or nothing, which is flagged. An unknown keyword, in any other letter
// case or with a blank, is flagged and gives the fallback.
TEST_F(ArchiveRestore, PolicyKeywordsConvertBothWaysAndUnknownOnesAreFlagged) {
    for (int value : {0, 1, -5}) {
        LogBack(Cmox::ConvertNotifyParent(value), Cmox::ConvertNotifyParent);
        LogBack(Cmox::ConvertMakeParent(value), Cmox::ConvertMakeParent);
    }
    for (int value : {0, 1, 2})
        LogBack(Cmox::ConvertCollNotifyPolicy(MoxCollNotifyPolicy(value)),
                Cmox::ConvertCollNotifyPolicy);
    for (int value : {0, 1, 2, 3})
        LogBack(Cmox::ConvertIncrementPolicy(MoxIncrementPolicy(value)),
                Cmox::ConvertIncrementPolicy);
    LogBack("notify_parent", Cmox::ConvertNotifyParent);
    LogBack("all_collnotify", Cmox::ConvertCollNotifyPolicy);
    LogBack("NO_MAKE_PARENT ", Cmox::ConvertMakeParent);
    m_log << Cmox::ConvertIncrementPolicy("", m_archive, nullptr) << ' ' << Text(Errors());
    EXPECT_EQ(m_log.str(), "NO_NOTIFY_PARENT=0 NO_MAKE_PARENT=0 NOTIFY_PARENT=1 MAKE_PARENT=1 "
                           "NOTIFY_PARENT=1 MAKE_PARENT=1 ADDDEL_COLLNOTIFY=0 ALL_COLLNOTIFY=1 =0! "
                           "MOX_FIXED_INCR=0 MOX_125_INCR=1 MOX_124_INCR=2 =0! notify_parent=1! "
                           "all_collnotify=0! NO_MAKE_PARENT =1! 0 [8 10 7 8 9 10]");
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
    const std::string path = TempFile("restore_lookahead");
    std::ofstream(path, std::ios::binary) << text;
    // Each look-ahead's result and the cell's value, then where the archive stands.
    auto look = [&](CmoxLongCell& cell, const char* name) {
        m_log << name << m_archive.RestoreLookAhead(&cell, name) << '=' << cell.Value() << ' ';
    };
    auto where = [&] {
        m_log << "good " << m_archive.Good() << " line " << m_archive.Line() << " indent "
              << m_archive.Indent() << ": " << Text(Errors()) << ' ' << Next() << ' ' << Next()
              << '\n';
    };
    for (const bool onFile : {false, true}) {
        if (onFile) {
            ASSERT_EQ(m_archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
        } else {
            OpenText(text);
        }
        for (int i = 0; i < 3; ++i)
            Next();
        m_archive.SetIndent(4);
        a.Value(0L);
        b.Value(0L);
        c.Value(9L);
        for (CmoxLongCell* cell : {&b, &a, &c}) // C follows the block that opens here
            look(*cell, cell->Name().c_str());
        where();
    }
    m_archive.Close();
    std::remove(path.c_str());
    // On a truncated file, or a record that fails, it comes back too.
    OpenOn("CmoxCompositeCell \"G\" \"$$\" {\r\n\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n");
    for (int i = 0; i < 3; ++i)
        Next();
    look(c, "Z");
    where();
    OpenOn("{ CmoxLongCell \"A\" \"$$\" = { 1 } } }\r\n}\r\n");
    a.Value(0L);
    look(a, "A");
    where();
    EXPECT_EQ(m_log.str(), "B1=2 A1=1 C0=9 good 1 line 3 indent 4: [] { CmoxLongCell\n"
                           "B1=2 A1=1 C0=9 good 1 line 3 indent 4: [] { CmoxLongCell\n"
                           "Z0=9 good 1 line 2 indent 0: [] { CmoxLongCell\n"
                           "A0=0 good 1 line 1 indent 0: [2] { CmoxLongCell\n");
}
