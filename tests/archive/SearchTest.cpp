// Record search: finding records by path and name or user name, listing a collection's records,
// restoring from a found record and the search form of the look-ahead, each at cache depths 0
// to 3 (the cache may only make a search faster), what the cache keeps and reads, and bad input.
// (That the cache never changes what a search finds in any input is the archive fuzzer's check.)
#include "support/ArchiveTest.h"

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
    // Restores a long cell from the record a find query finds: its value, "none" when the cell
    // kept its own, "wrong" when the result was not `result`.
    std::string RestoreValue(const char* path, const char* name, int result = 1) {
        CmoxLongCell cell(name, -1);
        CmoxFindSpec query(path, name, 0);
        if (m_archive.Restore(&cell, query) != result) return "wrong";
        return cell.Value() == -1 ? "none" : std::to_string(cell.Value());
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
        const char* found; // the line and the token after the found record's frame, or ""
    } rows[] = {
        {"", "Settings", 0, "3 {"},
        {"\\Settings\\Display", "Gain", 0, "7 ="},
        {"\\Settings\\Display\\Deep", "Level", 0, "9 ="},
        {"", "Gain", 0, "14 ="},                 // the top-level one
        {"\\Settings", "Gain", 0, ""},           // a grandchild, not a child
        {"\\Settings\\Display", "Count", 0, ""}, // a child of another
        {"\\Absent", "Gain", 0, ""},
        {"\\settings", "Count", 0, ""}, // names are case-sensitive
        {"\\Settings\\Display", "Nope", 0, ""},
        {"\\Settings", "Count", 0, "4 ="}, // a failed search leaves the archive searchable
        // Escaped braces and slashes in Title's value end no collection and start no comment.
        {"\\Settings", "Display", 0, "6 {"},
        {"\\Settings", "Screen", 1, "6 {"}, // user names without their delimiters
        {"", "Main settings", 1, "3 {"},
        {"\\Settings", "Screen", 0, ""}, // a user name is not a name, nor the other way round
        {"\\Settings", "Display", 1, ""},
        {"\\Settings", "$Screen$", 1, ""},
        {"\\Settings", "", 1, "4 ="}, // "$$": the first record without a user name
        {"", "", 1, "13 ="},
        {"\\Settings", "", 0, ""}, // no record has the empty name
        {"", "Fake", 0, ""},       // inside the binary block
        {"\\Blob", "Fake", 0, ""},
        {"\\List", "Ref", 0, "16 *"}, // a reference has no body
        {"\\List", "Item", 0, "17 ="},
        {"", "S", 0, "19 {"}, // the first of two records with one path
        {"\\Settings\\Display", "Deep", 0, "8 {"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.path) + " " + row.name);
        ASSERT_EQ(Locate(row.path, row.name, row.byUserName), *row.found != '\0' ? 1 : 0);
        if (*row.found == '\0') continue;
        const int line = m_archive.Line(); // before the token is read
        EXPECT_EQ(std::to_string(line) + " " + Next(), row.found);
    }
    EXPECT_EQ(m_archive.Good(), 1);
    OpenText(StandardArchive(), GetParam()); // with the name holding a backslash
    ASSERT_EQ(Locate("", "a\\b", 0), 1);
    EXPECT_EQ(m_archive.Line(), 30);
    EXPECT_EQ(RestoreValue("\\a\\b", "c"), "4");
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

// Restore by search reads the found record's body only; the look-ahead searches the collection
// that opens where the archive stands, with paths relative to it, and moves back.
TEST_P(SearchAtDepth, RestoreAndLookAheadBySearch) {
    std::ostringstream log; // << sequences its operands, unlike +
    CmoxFindSpec missing("\\Settings\\Display", "Count", 0);
    log << RestoreValue("", "Gain") << RestoreValue("\\S", "A") << RestoreValue("\\S", "B")
        << RestoreValue("\\Settings\\Display\\Deep", "Level") << ' '
        << RestoreValue("\\Settings\\Display", "Count", 0) << m_archive.Restore(nullptr, missing);
    CmoxCompositeCell display("Display"), *deep = new CmoxCompositeCell("Deep");
    GiveUserName(display, "kept");
    auto *gain = new CmoxDoubleCell("Gain", 0.0), *level = new CmoxDoubleCell("Level", 0);
    display.AddChild(gain, 1);
    display.AddChild(deep, 1);
    deep->AddChild(level, 1);
    CmoxFindSpec byUser("\\Settings", "Screen", 1);
    // The search consumed the user-name field: the user name is kept.
    log << " display " << m_archive.Restore(&display, byUser) << ' ' << gain->Value() << ' '
        << level->Value() << ' ' << display.UserName() << ';';
    ASSERT_EQ(Locate("", "Settings", 0), 1);
    m_archive.SetIndent(2);
    CmoxStringCell title("Title", "");
    auto look = [&](CmoxCell& cell, const char* path, const char* name) {
        CmoxFindSpec query(path, name, 0);
        log << ' ' << m_archive.RestoreLookAhead(&cell, query);
    };
    look(title, "", "Title");
    gain->Value(0.0);
    look(*gain, "", "Gain");
    look(*gain, "\\Display", "Gain");
    look(*gain, "", "List"); // the walk ends with the collection
    log << ' ' << title.Value() << ' ' << gain->Value() << " line " << m_archive.Line()
        << " indent " << m_archive.Indent() << ' ' << Next() << ' ' << Next();
    // Title's escaped braces and slashes are read as such.
    EXPECT_EQ(log.str(), "7133 none0 display 1 1.5 3 kept; 1 0 1 0 A {b} // t 1.5 line 3 indent 2 "
                         "{ CmoxLongCell");
}

TEST_F(SearchTest, CacheKeepsEveryRecordPathToItsDepthAndASearchReadsWhatLeadsToItsTarget) {
    // One entry per path: 7 at the top level, then 8, 2 and 1 more at each level down.
    const std::size_t sizes[] = {0, 0, 7, 15, 17, 18, 18};
    for (int depth = -1; depth <= 5; ++depth) {
        OpenText(StandardArchive(), depth);
        EXPECT_EQ(m_archive.CacheSize(), sizes[depth + 1]) << "cache depth " << depth;
    }
    EXPECT_EQ(m_archive.Line(), 1); // building it leaves the stream at the start
    EXPECT_EQ(Next(), "CmoxCompositeCell");
    EXPECT_EQ(Next(), "Settings");
    OpenText("PREAMBLE \r\nCmoxLongCell \"Only\" \"$$\" = { 1  }\r\n", 2); // reopening empties it
    EXPECT_EQ(m_archive.CacheSize(), 1u);
    EXPECT_EQ(Locate("\\Settings", "Count", 0), 0);
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
    std::ostringstream log; // each query kind is refused by the other request
    log << m_archive.Locate(list) << m_archive.Contents(find) << list.MatchArray().size()
        << find.MatchArray().size() << ' ';
    for (int i = 0; i < 20; ++i)
        Next();
    m_in.setstate(std::ios::failbit);
    m_archive.ResetFilePointer(); // stands before the first record again
    log << m_archive.Good() << m_archive.Line() << Next() << ' ';
    std::stringstream out; // not open for reading: nothing searched, nothing written
    ASSERT_EQ(m_archive.Open(&out, MOX_ARCHIVE_WRITE, 1), 1);
    const std::size_t written = out.str().size();
    log << m_archive.Locate(find) << m_archive.Contents(list) << (out.str().size() - written)
        << CmoxArchive().Locate(find);
    EXPECT_EQ(log.str(), "0000 11CmoxCompositeCell 0000");
    // The found record's block never closes: the cell flags and throws, the driver catches.
    OpenText(
        "PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxLongCell \"Count\" \"$$\" = { 5",
        1);
    EXPECT_EQ(RestoreValue("\\S", "Count", 0), "none");
    EXPECT_EQ(Errors(), Codes{MOX_RESTORE_BAD_FORMAT});
}

// ---- bad input: truncated files, records without a body, and nesting deep enough to exhaust
// the stack of a walk that followed it ----

namespace {

// Records nested `levels` deep (n0 holding n1 holding ...), the innermost holding a long cell
// named Leaf, which therefore lies at nesting depth levels + 1; `path` receives Leaf's path.
std::string Nested(int levels, std::string& path) {
    std::string text = "PREAMBLE \r\n", close;
    path.clear();
    for (int i = 0; i < levels; ++i) {
        text += "CmoxCompositeCell \"n" + std::to_string(i) + "\" \"$$\" {\r\n";
        path += "\\n" + std::to_string(i);
        close += "}\r\n";
    }
    return text + "CmoxLongCell \"Leaf\" \"$$\" = { 1  }\r\n" + close +
           "CmoxLongCell \"After\" \"$$\" = { 2  }\r\n";
}

} // namespace

TEST_F(SearchTest, TruncatedAndBodilessRecords) {
    // A truncated collection caches no child it never had; a name whose quote never closes runs
    // to the end of the file.
    OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n", 3);
    EXPECT_EQ(m_archive.CacheSize(), 1u);
    EXPECT_TRUE(Listed("\\S", 0, 0, 1).empty());
    OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxLongCell \"Cou", 0);
    EXPECT_EQ(Listed("\\S", 0, 1, 1), Strings{"\\S\\Cou"});
    EXPECT_EQ(Locate("\\S", "Count", 0), 0);
    // A cell without a body writes only its frame; as the last of its collection it is followed
    // by the "}", which must not be passed over in search of a body.
    for (int depth = 0; depth <= 2; ++depth) {
        OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxCell \"Bare\" \"$$\" "
                 "\r\n}\r\nCmoxLongCell \"After\" \"$$\" = { 2  }\r\n",
                 depth);
        EXPECT_EQ(Listed("\\S", 0, 0, 1), Strings{"Bare"});
        EXPECT_EQ(Listed("", 0, 0, 1), (Strings{"S", "After"}));
    }
}

TEST_F(SearchTest, NestingToTheDepthBoundIsReadAndPastItIsAMalformedFile) {
    for (const int levels : {CmoxArchive::kMaxSearchDepth - 1, CmoxArchive::kMaxSearchDepth}) {
        const bool fits = levels < CmoxArchive::kMaxSearchDepth;
        for (const int depth : {0, 1, 3, CmoxArchive::kMaxSearchDepth + 10}) {
            SCOPED_TRACE(std::to_string(levels) + " levels, cache depth " + std::to_string(depth));
            std::string path;
            OpenText(Nested(levels, path), depth);
            // Building the cache walks the file and meets the fault first.
            EXPECT_EQ(Errors(), fits || depth == 0 ? Codes{} : Codes{MOX_RESTORE_BAD_FORMAT});
            m_archive.ResetErrors();
            EXPECT_EQ(RestoreValue(path.c_str(), "Leaf", fits ? 1 : 0), fits ? "1" : "none");
            // A cache deeper than the fault answers without walking: the record was never cached.
            EXPECT_EQ(Errors(), fits || depth > levels ? Codes{} : Codes{MOX_RESTORE_BAD_FORMAT});
            // Nothing past the fault is found; a record before it still is.
            EXPECT_EQ(Locate("", "After", 0), fits ? 1 : 0);
            EXPECT_EQ(Locate("\\n0", "n1", 0), 1);
            EXPECT_EQ(Listed("", 0, 0, fits ? 1 : 0),
                      fits ? (Strings{"n0", "After"}) : Strings{"n0"});
            EXPECT_EQ(m_archive.Good(), 1);
            m_archive.ResetErrors();
        }
    }
}

TEST_F(SearchTest, AMillionOpenBracesNeitherCrashNorHang) {
    std::string braces = "PREAMBLE \r\n";
    for (int i = 0; i < 1000000; ++i)
        braces += "{ ";
    // Unknown records are skipped without asking.
    const MoxMessageBoxHandler shown =
        MoxSetMessageBoxHandler([](const char*, unsigned int) { return int(IDYES); });
    // A search, a listing, then the look-aheads and a collection restore from the same place:
    // each fails, the first fault flagged a bad format, and the cell keeps its value.
    for (const int depth : {0, 1, 3}) {
        OpenText(braces, depth);
        m_archive.ResetErrors();
        CmoxFindSpec find("\\{\\{", "x", 0), list("", 0, 1);
        CmoxLongCell cell("x", 7);
        CmoxCompositeCell group("g");
        group.AddChild(new CmoxCompositeCell("{"), 1);
        std::ostringstream log; // the first "{" is the name of a record
        log << m_archive.Locate(find) << Locate("", "{", 0) << m_archive.Contents(list) << ' '
            << (Errors().empty() ? -1 : Errors().front());
        m_archive.ResetFilePointer();
        log << ' ' << m_archive.RestoreLookAhead(&cell, find)
            << m_archive.RestoreLookAhead(&cell, "x") << m_archive.Restore(&group) << ' '
            << cell.Value();
        EXPECT_EQ(log.str(), "010 1 000 7") << depth;
    }
    MoxSetMessageBoxHandler(shown);
}
