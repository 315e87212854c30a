// Record search on bad input: truncated files, records without a body, and nesting deep enough
// to exhaust the stack of a walk that followed it. (That the cache never changes what a search
// finds in any input is the archive fuzzer's check.)
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;

namespace {

// Records nested `levels` deep (n0 holding n1 holding ...), the innermost holding a long cell
// named Leaf, which therefore lies at nesting depth levels + 1.
std::string Nested(int levels) {
    std::string text = "PREAMBLE \r\n";
    for (int i = 0; i < levels; ++i)
        text += "CmoxCompositeCell \"n" + std::to_string(i) + "\" \"$$\" {\r\n";
    text += "CmoxLongCell \"Leaf\" \"$$\" = { 1  }\r\n";
    for (int i = 0; i < levels; ++i)
        text += "}\r\n";
    text += "CmoxLongCell \"After\" \"$$\" = { 2  }\r\n";
    return text;
}

std::string NestedPath(int levels) {
    std::string path;
    for (int i = 0; i < levels; ++i)
        path += "\\n" + std::to_string(i);
    return path;
}

class SearchInput : public moxtest::ArchiveTest {};

} // namespace

TEST_F(SearchInput, TruncatedAndBodilessRecords) {
    // A truncated collection caches no child it never had; a name whose quote never closes runs
    // to the end of the file.
    OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n", 3);
    EXPECT_EQ(m_archive.CacheSize(), 1u);
    EXPECT_TRUE(Listed("\\S", 0, 0, 1).empty());
    OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxLongCell \"Cou", 0);
    EXPECT_EQ(Listed("\\S", 0, 1, 1), std::vector<std::string>{"\\S\\Cou"});
    EXPECT_EQ(Locate("\\S", "Count", 0), 0);
    // A cell without a body writes only its frame; as the last of its collection it is followed
    // by the "}", which must not be passed over in search of a body.
    for (int depth = 0; depth <= 2; ++depth) {
        OpenText("PREAMBLE \r\nCmoxCompositeCell \"S\" \"$$\" {\r\n\tCmoxCell \"Bare\" \"$$\" "
                 "\r\n}\r\nCmoxLongCell \"After\" \"$$\" = { 2  }\r\n",
                 depth);
        EXPECT_EQ(Listed("\\S", 0, 0, 1), std::vector<std::string>{"Bare"});
        EXPECT_EQ(Listed("", 0, 0, 1), (std::vector<std::string>{"S", "After"}));
    }
}

TEST_F(SearchInput, NestingToTheDepthBoundIsReadAndPastItIsAMalformedFile) {
    for (const int levels : {CmoxArchive::kMaxSearchDepth - 1, CmoxArchive::kMaxSearchDepth}) {
        const bool fits = levels < CmoxArchive::kMaxSearchDepth;
        for (const int depth : {0, 1, 3, CmoxArchive::kMaxSearchDepth + 10}) {
            SCOPED_TRACE(std::to_string(levels) + " levels, cache depth " + std::to_string(depth));
            OpenText(Nested(levels), depth);
            // Building the cache walks the file and meets the fault first.
            EXPECT_EQ(Errors(), fits || depth == 0 ? Codes{} : Codes{MOX_RESTORE_BAD_FORMAT});
            m_archive.ResetErrors();
            RecordValueCell leaf("CmoxLongCell", "Leaf", RecordValueCell::kLong);
            CmoxFindSpec query(NestedPath(levels).c_str(), "Leaf", 0);
            EXPECT_EQ(m_archive.Restore(&leaf, query), fits ? 1 : 0);
            EXPECT_EQ(leaf.longValue, fits ? 1 : 0);
            // A cache deeper than the fault answers without walking: the record was never cached.
            EXPECT_EQ(Errors(), fits || depth > levels ? Codes{} : Codes{MOX_RESTORE_BAD_FORMAT});
            // Nothing past the fault is found; a record before it still is.
            EXPECT_EQ(Locate("", "After", 0), fits ? 1 : 0);
            EXPECT_EQ(Locate("\\n0", "n1", 0), 1);
            EXPECT_EQ(Listed("", 0, 0, fits ? 1 : 0),
                      fits ? (std::vector<std::string>{"n0", "After"})
                           : std::vector<std::string>{"n0"});
            EXPECT_EQ(m_archive.Good(), 1);
            m_archive.ResetErrors();
        }
    }
}

TEST_F(SearchInput, AMillionOpenBracesNeitherCrashNorHang) {
    std::string braces = "PREAMBLE \r\n";
    for (int i = 0; i < 1000000; ++i)
        braces += "{ ";
    for (const int depth : {0, 1, 3}) {
        OpenText(braces, depth);
        m_archive.ResetErrors();
        CmoxFindSpec find("\\{\\{", "x", 0);
        EXPECT_EQ(m_archive.Locate(find), 0);
        EXPECT_EQ(Locate("", "{", 0), 1); // the first "{" is the name of a record
        CmoxFindSpec list("", 0, 1);
        EXPECT_EQ(m_archive.Contents(list), 0);
        ASSERT_FALSE(Errors().empty());
        EXPECT_EQ(Errors().front(), MOX_RESTORE_BAD_FORMAT);
        // The look-aheads and a collection restore from the same place.
        m_archive.ResetFilePointer();
        RecordValueCell cell("CmoxLongCell", "x", RecordValueCell::kLong);
        EXPECT_EQ(m_archive.RestoreLookAhead(&cell, find), 0);
        EXPECT_EQ(m_archive.RestoreLookAhead(&cell, "x"), 0);
        RecordGroupCell group("g");
        group.Add<RecordGroupCell>("{");
        EXPECT_EQ(m_archive.Restore(&group), 0);
        EXPECT_EQ(cell.restoreCount, 0);
    }
}
