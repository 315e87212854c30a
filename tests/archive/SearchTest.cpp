// Record search: finding records by path and name or user name, listing a collection's records,
// restoring from a found record and the search form of the look-ahead, each at cache depths 0
// to 3 (the cache may only make a search faster), and what the cache keeps and reads.
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <mox/collections/CmoxCompositeCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;

namespace {

using Strings = std::vector<std::string>;

// The bytes of a binary block: braces and the text of a record, all of which a search must
// step over unread. No LF, so the line numbers below stay those of the file.
const char kBlobBytes[] = "}}} CmoxLongCell \"Fake\" \"$$\" = { 9  } {{";

// The record kinds a search meets: nested collections, user names, a string value holding
// escaped braces and slashes, a binary block, a top-level record sharing a nested record's
// name, a reference, two records of one path, and a name holding a backslash ("a\b" makes the
// path \a\b, which a key cut at depth 1 would take for \a). The comments give line numbers.
std::string StandardArchive() {
    const std::string count = std::to_string(sizeof kBlobBytes - 1);
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
                       "}\r\n"                                                               // 12
                       "CmoxBlobCell \"Blob\" \"$$\" = #") +
           std::to_string(count.size()) + count + kBlobBytes + "\r\n" + // 13
           "CmoxLongCell \"Gain\" \"$Top gain$\" = { 7  }\r\n"          // 14
           "CmoxArrayCell \"List\" \"$$\" {\r\n"                        // 15
           "\tCmoxLongCell \"Ref\" \"$$\" * \r\n"                       // 16
           "\tCmoxLongCell \"Item\" \"$$\" = { 1  }\r\n"                // 17
           "}\r\n"                                                      // 18
           "CmoxCompositeCell \"S\" \"$One$\" {\r\n"                    // 19
           "\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n"                   // 20
           "}\r\n"                                                      // 21
           "CmoxCompositeCell \"S\" \"$Two$\" {\r\n"                    // 22
           "\tCmoxLongCell \"A\" \"$$\" = { 2  }\r\n"                   // 23
           "\tCmoxLongCell \"B\" \"$$\" = { 3  }\r\n"                   // 24
           "}\r\n"                                                      // 25
           "CmoxCompositeCell \"a\" \"$$\" {\r\n"                       // 26
           "\tCmoxCompositeCell \"b\" \"$$\" {\r\n"                     // 27
           "\t}\r\n"                                                    // 28
           "}\r\n"                                                      // 29
           "CmoxCompositeCell \"a\\\\b\" \"$$\" {\r\n"                  // 30
           "\tCmoxLongCell \"c\" \"$$\" = { 4  }\r\n"                   // 31
           "}\r\n";                                                     // 32
}
// Without the name holding a backslash, whose ambiguous path keeps a search from trusting the
// cache's keys alone.
std::string PlainArchive() {
    const std::string text = StandardArchive();
    return text.substr(0, text.find("CmoxCompositeCell \"a\\\\b\""));
}

class SearchTest : public ArchiveTest {
  protected:
    long RestoreLong(const char* path, const char* name) {
        RecordValueCell cell("CmoxLongCell", name, RecordValueCell::kLong);
        cell.longValue = -1;
        CmoxFindSpec query(path, name, 0);
        EXPECT_EQ(m_archive.Restore(&cell, query), 1) << path << " " << name;
        return cell.longValue;
    }
};

class SearchAtDepth : public SearchTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override { OpenText(PlainArchive(), GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(CacheDepths, SearchAtDepth, ::testing::Values(0, 1, 2, 3));

} // namespace

TEST_P(SearchAtDepth, LocateFindsByPathAndNameOrUserNameAndStandsAtTheBody) {
    const struct {
        const char* path;
        const char* name;
        int byUserName;
        int line;         // 0: not found
        const char* next; // the token after the found record's frame
    } rows[] = {
        {"", "Settings", 0, 3, "{"},
        {"\\Settings\\Display", "Gain", 0, 7, "="},
        {"\\Settings\\Display\\Deep", "Level", 0, 9, "="},
        {"", "Gain", 0, 14, "="},                   // the top-level one
        {"\\Settings", "Gain", 0, 0, ""},           // a grandchild, not a child
        {"\\Settings\\Display", "Count", 0, 0, ""}, // a child of another
        {"\\Absent", "Gain", 0, 0, ""},
        {"\\settings", "Count", 0, 0, ""}, // names are case-sensitive
        {"\\Settings\\Display", "Nope", 0, 0, ""},
        {"\\Settings", "Count", 0, 4, "="}, // a failed search leaves the archive searchable
        // Escaped braces and slashes in Title's value end no collection and start no comment.
        {"\\Settings", "Display", 0, 6, "{"},
        {"\\Settings", "Screen", 1, 6, "{"}, // user names without their delimiters
        {"", "Main settings", 1, 3, "{"},
        {"\\Settings", "Screen", 0, 0, ""}, // a user name is not a name, nor the other way round
        {"\\Settings", "Display", 1, 0, ""},
        {"\\Settings", "$Screen$", 1, 0, ""},
        {"\\Settings", "", 1, 4, "="}, // "$$": the first record without a user name
        {"", "", 1, 13, "="},
        {"\\Settings", "", 0, 0, ""}, // no record has the empty name
        {"", "Fake", 0, 0, ""},       // inside the binary block
        {"\\Blob", "Fake", 0, 0, ""},
        {"\\List", "Ref", 0, 16, "*"}, // a reference has no body
        {"\\List", "Item", 0, 17, "="},
        {"", "S", 0, 19, "{"}, // the first of two records with one path
        {"\\Settings\\Display", "Deep", 0, 8, "{"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.path) + " " + row.name);
        ASSERT_EQ(Locate(row.path, row.name, row.byUserName), row.line != 0 ? 1 : 0);
        if (row.line == 0) continue;
        EXPECT_EQ(m_archive.Line(), row.line);
        EXPECT_EQ(Next(), row.next);
    }
    EXPECT_EQ(m_archive.Good(), 1);
    OpenText(StandardArchive(), GetParam()); // with the name holding a backslash
    ASSERT_EQ(Locate("", "a\\b", 0), 1);
    EXPECT_EQ(m_archive.Line(), 30);
    EXPECT_EQ(RestoreLong("\\a\\b", "c"), 4);
}

TEST_P(SearchAtDepth, ContentsListsDirectChildrenAndAppendsOnEveryCall) {
    const struct {
        const char* path;
        int byUserName, fullPath;
        Strings listed;
    } rows[] = {
        {"\\Settings", 0, 1, {"\\Settings\\Count", "\\Settings\\Title", "\\Settings\\Display"}},
        {"\\Settings\\Display", 0, 0, {"Gain", "Deep"}},
        {"\\Settings", 1, 0, {"", "", "Screen"}},
        {"", 1, 1, {"\\Main settings", "\\", "\\Top gain", "\\", "\\One", "\\Two", "\\"}},
        {"", 0, 0, {"Settings", "Blob", "Gain", "List", "S", "S", "a"}},
        {"\\List", 0, 0, {"Ref", "Item"}},
        {"\\Settings\\Count", 0, 0, {}},
        {"\\S", 0, 0, {"A", "A", "B"}}, // the cache must not hide the second S
    };
    for (const auto& row : rows)
        EXPECT_EQ(Listed(row.path, row.byUserName, row.fullPath, 1), row.listed) << row.path;
    CmoxFindSpec list("\\List", 0, 0);
    m_archive.Contents(list);
    m_archive.Contents(list);
    EXPECT_EQ(list.MatchArray(), (Strings{"Ref", "Item", "Ref", "Item"}));
}

TEST_P(SearchAtDepth, RestoresTheFoundRecordsBodyOnly) {
    EXPECT_EQ(RestoreLong("", "Gain"), 7); // past the binary block
    EXPECT_EQ(RestoreLong("\\S", "A"), 1);
    EXPECT_EQ(RestoreLong("\\S", "B"), 3);
    EXPECT_EQ(RestoreLong("\\Settings\\Display\\Deep", "Level"), 3);
    RecordValueCell title("CmoxStringCell", "Title", RecordValueCell::kString);
    CmoxFindSpec query("\\Settings", "Title", 0);
    ASSERT_EQ(m_archive.Restore(&title, query), 1);
    EXPECT_EQ(title.stringValue, "A {b} // t");

    RecordGroupCell display("Display");
    display.UserName("kept");
    auto* gain = display.Add<RecordValueCell>("CmoxDoubleCell", "Gain", RecordValueCell::kDouble);
    auto* level = display.Add<RecordGroupCell>("Deep")->Add<RecordValueCell>(
        "CmoxLongCell", "Level", RecordValueCell::kLong);
    CmoxFindSpec byUser("\\Settings", "Screen", 1);
    ASSERT_EQ(m_archive.Restore(&display, byUser), 1);
    EXPECT_DOUBLE_EQ(gain->doubleValue, 1.5);
    EXPECT_EQ(level->longValue, 3);
    EXPECT_STREQ(display.UserName(), "kept"); // the search consumed the user-name field

    RecordValueCell count("CmoxLongCell", "Count", RecordValueCell::kLong);
    count.longValue = 42;
    CmoxFindSpec missing("\\Settings\\Display", "Count", 0);
    EXPECT_EQ(m_archive.Restore(&count, missing), 0);
    EXPECT_EQ(m_archive.Restore(nullptr, missing), 0);
    EXPECT_EQ(count.restoreCount, 0);
    EXPECT_EQ(count.longValue, 42);
}

TEST_P(SearchAtDepth, LookAheadSearchesTheCollectionThatOpensHereAndMovesBack) {
    ASSERT_EQ(Locate("", "Settings", 0), 1);
    m_archive.SetIndent(2);
    RecordValueCell title("CmoxStringCell", "Title", RecordValueCell::kString);
    CmoxFindSpec titleQuery("", "Title", 0);
    ASSERT_EQ(m_archive.RestoreLookAhead(&title, titleQuery), 1);
    EXPECT_EQ(title.stringValue, "A {b} // t");
    // Paths are relative to the collection, and the walk ends with it.
    RecordValueCell gain("CmoxDoubleCell", "Gain", RecordValueCell::kDouble);
    CmoxFindSpec bare("", "Gain", 0), relative("\\Display", "Gain", 0), after("", "List", 0);
    EXPECT_EQ(m_archive.RestoreLookAhead(&gain, bare), 0);
    ASSERT_EQ(m_archive.RestoreLookAhead(&gain, relative), 1);
    EXPECT_DOUBLE_EQ(gain.doubleValue, 1.5);
    EXPECT_EQ(m_archive.RestoreLookAhead(&gain, after), 0);
    EXPECT_EQ(m_archive.Line(), 3);
    EXPECT_EQ(m_archive.Indent(), 2);
    EXPECT_EQ(Next(), "{");
    EXPECT_EQ(Next(), "CmoxLongCell");
}

TEST_F(SearchTest, CacheKeepsEveryRecordPathDownToItsDepthAndLeavesTheStreamAtTheStart) {
    // One entry per path: 7 at the top level, then 8, 2 and 1 more at each level down.
    const std::size_t expected[] = {0, 7, 15, 17, 18, 18};
    for (int depth = 0; depth <= 5; ++depth) {
        OpenText(StandardArchive(), depth);
        EXPECT_EQ(m_archive.CacheSize(), expected[depth]) << "cache depth " << depth;
    }
    OpenText(StandardArchive(), -1);
    EXPECT_EQ(m_archive.CacheSize(), 0u);
    OpenText(StandardArchive(), 3);
    EXPECT_EQ(m_archive.Line(), 1);
    EXPECT_EQ(Next(), "CmoxCompositeCell");
    EXPECT_EQ(Next(), "Settings");
    OpenText("PREAMBLE \r\nCmoxLongCell \"Only\" \"$$\" = { 1  }\r\n", 2); // reopening empties it
    EXPECT_EQ(m_archive.CacheSize(), 1u);
    EXPECT_EQ(Locate("\\Settings", "Count", 0), 0);
}

TEST_F(SearchTest, CachedSearchReadsOnlyTheRecordThatLeadsToItsTarget) {
    // Where the stream stands after a miss: a search under an uncached or absent key reads
    // nothing past the first record's class name; under a cached one it ends with that record.
    const struct {
        int depth;
        const char* path;
        int line;
    } rows[] = {
        {0, "\\Settings\\Absent", 30}, // the end of the file
        {1, "\\Absent\\Display", 3},    {2, "\\Settings\\Absent", 3},
        {1, "\\Settings\\Display", 12}, {2, "\\Settings\\Display", 11},
    };
    for (const auto& row : rows) {
        OpenText(PlainArchive(), row.depth);
        EXPECT_EQ(Locate(row.path, "Nope", 0), 0);
        EXPECT_EQ(m_archive.Line(), row.line) << row.depth << " " << row.path;
    }
}

TEST_F(SearchTest, RefusedRequestsAndFaultsInTheFoundRecord) {
    OpenText(StandardArchive(), 0);
    CmoxFindSpec list("", 0, 1), find("\\Settings", "Count", 0);
    EXPECT_EQ(m_archive.Locate(list), 0); // each query kind is refused by the other request
    EXPECT_EQ(m_archive.Contents(find), 0);
    EXPECT_TRUE(list.MatchArray().empty() && find.MatchArray().empty());
    for (int i = 0; i < 20; ++i)
        Next();
    m_in.setstate(std::ios::failbit);
    m_archive.ResetFilePointer(); // stands before the first record again
    EXPECT_EQ(m_archive.Good(), 1);
    EXPECT_EQ(m_archive.Line(), 1);
    EXPECT_EQ(Next(), "CmoxCompositeCell");

    std::stringstream out; // not open for reading: nothing searched, nothing written
    ASSERT_EQ(m_archive.Open(&out, MOX_ARCHIVE_WRITE, 1), 1);
    const std::string written = out.str();
    EXPECT_EQ(m_archive.Locate(find), 0);
    EXPECT_EQ(m_archive.Contents(list), 0);
    EXPECT_EQ(out.str(), written);
    CmoxArchive closed;
    EXPECT_EQ(closed.Locate(find), 0);
    closed.ResetFilePointer();
    EXPECT_EQ(closed.Line(), 1);

    // The found record's block never closes: the cell flags and throws, the driver catches; a
    // look-ahead on such input finds nothing and moves back.
    const std::string truncated =
        "PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxLongCell \"Count\" \"$$\" = { 5";
    OpenText(truncated, 1);
    RecordValueCell count("CmoxLongCell", "Count", RecordValueCell::kLong);
    CmoxFindSpec query("\\S", "Count", 0);
    EXPECT_EQ(m_archive.Restore(&count, query), 0);
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_BAD_FORMAT});
    OpenText(truncated, 0);
    ASSERT_EQ(Locate("", "S", 0), 1);
    CmoxFindSpec other("", "B", 0);
    EXPECT_EQ(m_archive.RestoreLookAhead(&count, other), 0);
    EXPECT_EQ(count.restoreCount, 0);
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(Next(), "{");
}

// A subtree of the library's own cells, saved to a file and found again by its user name.
TEST_F(SearchTest, LibraryCellsRestoreASubtreeFoundByUserName) {
    const std::string path = ::testing::TempDir() + "mox_search_cells.qvx";
    auto profile = [](int i) {
        auto root = std::make_unique<CmoxCompositeCell>(("Profile" + std::to_string(i)).c_str());
        root->AddChild(new CmoxStringCell(MOX_USER_NAME, ""));
        auto* scope = new CmoxCompositeCell("Scope");
        root->AddChild(scope);
        scope->AddChild(new CmoxLongCell("Gain", i));
        if (i >= 0) root->UserName(("Profile number " + std::to_string(i)).c_str());
        return root;
    };
    CmoxArchive writer;
    ASSERT_EQ(writer.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0), 1);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(writer.Save(*profile(i)), 1);
    ASSERT_EQ(writer.Close(), 1);
    for (int depth = 0; depth <= 3; ++depth) {
        ASSERT_EQ(m_archive.Open(path.c_str(), MOX_ARCHIVE_READ, depth), 1);
        auto copy = profile(-1);
        CmoxFindSpec query("", "Profile number 42", 1);
        ASSERT_EQ(m_archive.Restore(copy.get(), query), 1);
        auto* scope = dynamic_cast<CmoxCompositeCell*>(copy->FindChild("Scope"));
        ASSERT_NE(scope, nullptr);
        EXPECT_EQ(scope->GetChildLong("Gain"), 42);
        EXPECT_STREQ(copy->UserName(), "Profile number 42");
        EXPECT_EQ(copy->Name(), "Profile-1");
        m_archive.Close();
    }
    std::remove(path.c_str());
}
