// Record search: finding records by path and name or user name, listing a collection's records,
// restoring from a found record and the search form of the look-ahead, each at cache depths 0
// to 3 where the cache could change the outcome.
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;

namespace {

using Strings = std::vector<std::string>;

// A value record whose body is a binary block: "= #" d n and then the raw bytes.
std::string BinaryRecord(const std::string& name, const std::string& bytes) {
    const std::string count = std::to_string(bytes.size());
    return "CmoxBlobCell \"" + name + "\" \"$$\" = #" + std::to_string(count.size()) + count +
           bytes;
}

// The bytes of the binary block: braces and the text of a record, all of which a search must
// step over unread. No LF, so the line numbers below stay those of the file.
const char kBlobBytes[] = "}}} CmoxLongCell \"Fake\" \"$$\" = { 9  } {{";

// One archive with the record kinds a search meets: nested collections, user names, a string
// value holding escaped braces and slashes, a binary block, a top-level record sharing a nested
// record's name, and a collection holding a reference. The comments give each line's number.
std::string StandardArchive() {
    return std::string("PREAMBLE \r\n"                                                       // 1
                       "// File creation time: Friday, December 04, 2026\r\n"                // 2
                       "CmoxCompositeCell \"Settings\" \"$Main settings$\" {\r\n"            // 3
                       "\tCmoxLongCell \"Count\" \"$$\" = { 5  }\r\n"                        // 4
                       "\tCmoxStringCell \"Title\" \"$$\" = { \"A \\{b\\} \\/\\/ t\"  }\r\n" // 5
                       "\tCmoxCompositeCell \"Display\" \"$Screen$\" {\r\n"                  // 6
                       "\t\tCmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n"                   // 7
                       "\t\tCmoxCompositeCell \"Deep\" \"$$\" {\r\n"                         // 8
                       "\t\t\tCmoxLongCell \"Level\" \"$$\" = { 3  }\r\n"                    // 9
                       "\t\t}\r\n"                                                           // 10
                       "\t}\r\n"                                                             // 11
                       "}\r\n") +                                                            // 12
           BinaryRecord("Blob", kBlobBytes) +
           "\r\n" +                                            // 13
           "CmoxLongCell \"Gain\" \"$Top gain$\" = { 7  }\r\n" // 14
           "CmoxArrayCell \"List\" \"$$\" {\r\n"               // 15
           "\tCmoxLongCell \"Ref\" \"$$\" * \r\n"              // 16
           "\tCmoxLongCell \"Item\" \"$$\" = { 1  }\r\n"       // 17
           "}\r\n";                                            // 18
}

class SearchTest : public moxtest::ArchiveTest {};

// The same searches at every cache depth: the cache may only make them faster.
class SearchAtDepth : public SearchTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override { OpenText(StandardArchive(), GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(CacheDepths, SearchAtDepth, ::testing::Values(0, 1, 2, 3));

} // namespace

// ---- Locate --------------------------------------------------------------------------------

TEST_P(SearchAtDepth, FindsTopLevelRecordAndStandsAtItsBody) {
    ASSERT_EQ(Locate("", "Settings", 0), 1);
    EXPECT_EQ(m_archive.Line(), 3);
    EXPECT_EQ(Next(), "{");
    EXPECT_EQ(Next(), "CmoxLongCell");
    EXPECT_EQ(Next(), "Count");
}

TEST_P(SearchAtDepth, FindsNestedRecordsByTheirCollectionsPath) {
    ASSERT_EQ(Locate("\\Settings\\Display", "Gain", 0), 1);
    EXPECT_EQ(m_archive.Line(), 7);
    EXPECT_EQ(Next(), "=");
    EXPECT_EQ(Next(), "{");
    EXPECT_EQ(Next(), "1.5");

    ASSERT_EQ(Locate("\\Settings\\Display\\Deep", "Level", 0), 1);
    EXPECT_EQ(m_archive.Line(), 9);
}

TEST_P(SearchAtDepth, MatchesOnlyRecordsHeldByTheNamedCollection) {
    // The top-level Gain and the nested one: each is found under its own path only.
    CmoxFindSpec top("", "Gain", 0);
    ASSERT_EQ(m_archive.Locate(top), 1);
    EXPECT_EQ(m_archive.Line(), 14);

    EXPECT_EQ(Locate("\\Settings", "Gain", 0), 0);           // a grandchild, not a child
    EXPECT_EQ(Locate("\\Settings\\Display", "Count", 0), 0); // a child of another
    EXPECT_EQ(Locate("\\Absent", "Gain", 0), 0);
    EXPECT_EQ(Locate("\\settings", "Count", 0), 0); // names are case-sensitive
}

TEST_P(SearchAtDepth, FailedSearchLeavesTheArchiveSearchable) {
    EXPECT_EQ(Locate("\\Settings\\Display", "Nope", 0), 0);
    EXPECT_EQ(m_archive.Good(), 1);
    EXPECT_EQ(Locate("\\Settings", "Count", 0), 1);
    EXPECT_EQ(m_archive.Line(), 4);
}

TEST_P(SearchAtDepth, FindsByUserNameWithoutItsDelimiters) {
    ASSERT_EQ(Locate("\\Settings", "Screen", 1), 1);
    EXPECT_EQ(m_archive.Line(), 6);
    EXPECT_EQ(Next(), "{");

    CmoxFindSpec settings("", "Main settings", 1);
    ASSERT_EQ(m_archive.Locate(settings), 1);
    EXPECT_EQ(m_archive.Line(), 3);

    // A user name is not a name, nor the other way round.
    EXPECT_EQ(Locate("\\Settings", "Screen", 0), 0);
    EXPECT_EQ(Locate("\\Settings", "Display", 1), 0);
    EXPECT_EQ(Locate("\\Settings", "$Screen$", 1), 0);
}

TEST_P(SearchAtDepth, EmptyUserNameMatchesTheFirstRecordWithoutOne) {
    // "$$" holds the empty user name: Count in Settings, Blob at the top level (Settings has
    // one of its own).
    ASSERT_EQ(Locate("\\Settings", "", 1), 1);
    EXPECT_EQ(m_archive.Line(), 4);

    ASSERT_EQ(Locate("", "", 1), 1);
    EXPECT_EQ(m_archive.Line(), 13);
    EXPECT_EQ(Next(), "=");

    // By name, the empty match looks for an empty name, which no record has.
    EXPECT_EQ(Locate("\\Settings", "", 0), 0);
}

TEST_P(SearchAtDepth, BinaryBlockIsSteppedOverUnread) {
    // The block's bytes hold braces and the text of a record named Fake.
    EXPECT_EQ(Locate("", "Fake", 0), 0);
    EXPECT_EQ(Locate("\\Blob", "Fake", 0), 0);

    RecordValueCell gain("CmoxLongCell", "Gain", RecordValueCell::kLong);
    CmoxFindSpec top("", "Gain", 0);
    ASSERT_EQ(m_archive.Restore(&gain, top), 1);
    EXPECT_EQ(gain.longValue, 7);
}

TEST_P(SearchAtDepth, ReferenceRecordIsMatchedByNameAndHasNoBody) {
    ASSERT_EQ(Locate("\\List", "Ref", 0), 1);
    EXPECT_EQ(Next(), "*");
    EXPECT_EQ(Next(), "CmoxLongCell");

    // The record after the reference is its own record, not the reference's body.
    ASSERT_EQ(Locate("\\List", "Item", 0), 1);
    EXPECT_EQ(m_archive.Line(), 17);
}

TEST_P(SearchAtDepth, EscapedBracesInValuesDoNotEndCollections) {
    // Title's value holds \{ \} and \/\/: were they taken for braces or a comment, Display
    // would not be found under Settings.
    EXPECT_EQ(Locate("\\Settings", "Display", 0), 1);
}

TEST_F(SearchTest, EachQueryKindIsRefusedByTheOtherRequest) {
    OpenText(StandardArchive(), 0);
    CmoxFindSpec list("", 0, 1);
    EXPECT_EQ(m_archive.Locate(list), 0);
    EXPECT_TRUE(list.MatchArray().empty());
    CmoxFindSpec find("\\Settings", "Count", 0);
    EXPECT_EQ(m_archive.Contents(find), 0);
    EXPECT_TRUE(find.MatchArray().empty());
}

TEST_F(SearchTest, ArchiveNotOpenForReadingIsNotSearched) {
    std::stringstream out;
    ASSERT_EQ(m_archive.Open(&out, MOX_ARCHIVE_WRITE, 1), 1);
    const std::string written = out.str();
    CmoxFindSpec find("", "PREAMBLE", 0);
    CmoxFindSpec list("", 0, 0);
    EXPECT_EQ(m_archive.Locate(find), 0);
    EXPECT_EQ(m_archive.Contents(list), 0);
    EXPECT_TRUE(list.MatchArray().empty());
    EXPECT_EQ(out.str(), written);

    CmoxArchive closed;
    EXPECT_EQ(closed.Locate(find), 0);
    EXPECT_EQ(closed.Contents(list), 0);
    closed.ResetFilePointer(); // no stream: nothing to do
    EXPECT_EQ(closed.Line(), 1);
}

// ---- Contents ------------------------------------------------------------------------------

TEST_P(SearchAtDepth, ListsDirectChildrenWithFullPathsAndAppendsOnEveryCall) {
    CmoxFindSpec list("\\Settings", 0, 1);
    ASSERT_EQ(m_archive.Contents(list), 1);
    const Strings once{"\\Settings\\Count", "\\Settings\\Title", "\\Settings\\Display"};
    EXPECT_EQ(list.MatchArray(), once);

    ASSERT_EQ(m_archive.Contents(list), 1);
    Strings twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(list.MatchArray(), twice);
    EXPECT_EQ(m_archive.Good(), 1);
}

TEST_P(SearchAtDepth, ListsNamesOrUserNamesWithoutPaths) {
    EXPECT_EQ(Listed("\\Settings\\Display", 0, 0, 1), (Strings{"Gain", "Deep"}));

    EXPECT_EQ(Listed("\\Settings", 1, 0, 1), (Strings{"", "", "Screen"}));

    EXPECT_EQ(Listed("", 1, 1, 1), (Strings{"\\Main settings", "\\", "\\Top gain", "\\"}));
}

TEST_P(SearchAtDepth, ListsTopLevelAndEmptyCollections) {
    EXPECT_EQ(Listed("", 0, 1, 1), (Strings{"\\Settings", "\\Blob", "\\Gain", "\\List"}));

    EXPECT_EQ(Listed("\\List", 0, 0, 1), (Strings{"Ref", "Item"}));

    EXPECT_TRUE(Listed("\\Settings\\Count", 0, 0, 1).empty());
}

// ---- restoring a found record --------------------------------------------------------------

TEST_P(SearchAtDepth, RestoresTheFoundRecordsBodyOnly) {
    RecordValueCell title("CmoxStringCell", "Title", RecordValueCell::kString);
    CmoxFindSpec query("\\Settings", "Title", 0);
    ASSERT_EQ(m_archive.Restore(&title, query), 1);
    EXPECT_EQ(title.stringValue, "A {b} // t");
    EXPECT_EQ(title.restoreCount, 1);

    RecordGroupCell display("Display");
    display.UserName("kept");
    auto* gain = display.Add<RecordValueCell>("CmoxDoubleCell", "Gain", RecordValueCell::kDouble);
    auto* deep = display.Add<RecordGroupCell>("Deep");
    auto* level = deep->Add<RecordValueCell>("CmoxLongCell", "Level", RecordValueCell::kLong);
    CmoxFindSpec byUser("\\Settings", "Screen", 1);
    ASSERT_EQ(m_archive.Restore(&display, byUser), 1);
    EXPECT_DOUBLE_EQ(gain->doubleValue, 1.5);
    EXPECT_EQ(level->longValue, 3);
    // The search consumed the user-name field; the cell keeps its own.
    EXPECT_STREQ(display.UserName(), "kept");
}

TEST_P(SearchAtDepth, NoMatchRestoresNothing) {
    RecordValueCell count("CmoxLongCell", "Count", RecordValueCell::kLong);
    count.longValue = 42;
    CmoxFindSpec query("\\Settings\\Display", "Count", 0);
    EXPECT_EQ(m_archive.Restore(&count, query), 0);
    EXPECT_EQ(count.restoreCount, 0);
    EXPECT_EQ(count.longValue, 42);
    EXPECT_EQ(m_archive.Restore(nullptr, query), 0);
}

TEST_F(SearchTest, FaultInTheFoundRecordIsCaughtAndFlagged) {
    // The found record's block never closes: the cell flags and throws, the driver catches.
    OpenText(
        "PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxLongCell \"Count\" \"$$\" = { 5",
        1);
    RecordValueCell count("CmoxLongCell", "Count", RecordValueCell::kLong);
    CmoxFindSpec query("\\S", "Count", 0);
    m_archive.ResetErrors();
    EXPECT_EQ(m_archive.Restore(&count, query), 0);
    EXPECT_EQ(m_archive.GetRestoreArray(), std::vector<unsigned char>{MOX_RESTORE_BAD_FORMAT});
    EXPECT_EQ(count.restoreCount, 0);
}

// ---- look-ahead with a find query -----------------------------------------------------------

TEST_P(SearchAtDepth, LookAheadSearchesTheCollectionThatOpensHereAndMovesBack) {
    ASSERT_EQ(Locate("", "Settings", 0), 1);
    // The stream stands at Settings' body: its "{" and first child's class name come next.
    const int line = m_archive.Line();
    m_archive.SetIndent(2);

    RecordValueCell title("CmoxStringCell", "Title", RecordValueCell::kString);
    CmoxFindSpec titleQuery("", "Title", 0);
    ASSERT_EQ(m_archive.RestoreLookAhead(&title, titleQuery), 1);
    EXPECT_EQ(title.stringValue, "A {b} // t");
    EXPECT_EQ(m_archive.Line(), line);
    EXPECT_EQ(m_archive.Indent(), 2);

    // Paths are relative to the collection: its grandchild lies under \Display.
    RecordValueCell gain("CmoxDoubleCell", "Gain", RecordValueCell::kDouble);
    CmoxFindSpec bare("", "Gain", 0);
    EXPECT_EQ(m_archive.RestoreLookAhead(&gain, bare), 0);
    CmoxFindSpec relative("\\Display", "Gain", 0);
    ASSERT_EQ(m_archive.RestoreLookAhead(&gain, relative), 1);
    EXPECT_DOUBLE_EQ(gain.doubleValue, 1.5);

    // The walk ends with the collection: records after it are not reached.
    RecordValueCell top("CmoxLongCell", "Gain", RecordValueCell::kLong);
    CmoxFindSpec after("", "List", 0);
    EXPECT_EQ(m_archive.RestoreLookAhead(&top, after), 0);

    EXPECT_EQ(m_archive.Line(), line);
    EXPECT_EQ(m_archive.Indent(), 2);
    EXPECT_EQ(Next(), "{");
    EXPECT_EQ(Next(), "CmoxLongCell");
    EXPECT_EQ(Next(), "Count");
}

TEST_F(SearchTest, LookAheadOnTruncatedInputFindsNothingAndMovesBack) {
    OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxLongCell \"A\" \"$$\" = { 1",
             0);
    ASSERT_EQ(Next(), "CmoxCompositeCell");
    ASSERT_EQ(Next(), "S");
    ASSERT_EQ(Next(), "$$");
    RecordValueCell cell("CmoxLongCell", "B", RecordValueCell::kLong);
    CmoxFindSpec query("", "B", 0);
    EXPECT_EQ(m_archive.RestoreLookAhead(&cell, query), 0);
    EXPECT_EQ(cell.restoreCount, 0);
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(Next(), "{");
}

// ---- ResetFilePointer ----------------------------------------------------------------------

TEST_F(SearchTest, ResetFilePointerStandsBeforeTheFirstRecord) {
    OpenText(StandardArchive(), 0);
    for (int i = 0; i < 20; ++i)
        Next();
    m_in.setstate(std::ios::failbit);
    m_archive.ResetFilePointer();
    EXPECT_EQ(m_archive.Good(), 1);
    EXPECT_EQ(m_archive.Line(), 1);
    EXPECT_EQ(Next(), "CmoxCompositeCell");
    EXPECT_EQ(m_archive.Line(), 3);
}
