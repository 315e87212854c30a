// The position cache of record search: what a read-mode Open keeps at each cache depth, that a
// search with the cache reads only the cached record that leads to its target, and that the
// cache never changes what a search finds (first record of a path, names holding a backslash).
#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <sstream>
#include <string>
#include <vector>

using moxtest::RecordValueCell;

namespace {

// Line numbers in the comments.
const char kArchive[] = "PREAMBLE \r\n"                                     // 1
                        "CmoxCompositeCell \"Settings\" \"$$\" {\r\n"       // 2
                        "\tCmoxLongCell \"Count\" \"$$\" = { 5  }\r\n"      // 3
                        "\tCmoxCompositeCell \"Display\" \"$$\" {\r\n"      // 4
                        "\t\tCmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n" // 5
                        "\t\tCmoxCompositeCell \"Deep\" \"$$\" {\r\n"       // 6
                        "\t\t\tCmoxLongCell \"Level\" \"$$\" = { 3  }\r\n"  // 7
                        "\t\t}\r\n"                                         // 8
                        "\t}\r\n"                                           // 9
                        "}\r\n"                                             // 10
                        "CmoxCompositeCell \"Other\" \"$$\" {\r\n"          // 11
                        "\tCmoxLongCell \"Count\" \"$$\" = { 6  }\r\n"      // 12
                        "}\r\n"                                             // 13
                        "CmoxLongCell \"Last\" \"$$\" = { 8  }\r\n";        // 14
constexpr int kLineAtEnd = 15;

class SearchCache : public moxtest::ArchiveTest {
  protected:
    long RestoreLong(const char* path, const char* name) {
        RecordValueCell cell("CmoxLongCell", name, RecordValueCell::kLong);
        cell.longValue = -1;
        CmoxFindSpec query(path, name, 0);
        EXPECT_EQ(m_archive.Restore(&cell, query), 1) << path << " " << name;
        return cell.longValue;
    }
};

class SearchCacheAtDepth : public SearchCache, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(CacheDepths, SearchCacheAtDepth, ::testing::Values(0, 1, 2, 3));

} // namespace

TEST_F(SearchCache, KeepsEveryRecordPathDownToTheCacheDepthAndLeavesTheStreamAtTheStart) {
    // Top level: Settings, Other, Last. Level 2: Count, Display, Count. Level 3: Gain, Deep.
    // Level 4: Level.
    const std::size_t expected[] = {0, 3, 6, 8, 9, 9};
    for (int depth = 0; depth <= 5; ++depth) {
        OpenText(kArchive, depth);
        EXPECT_EQ(m_archive.CacheSize(), expected[depth]) << "cache depth " << depth;
        EXPECT_EQ(m_archive.CacheDepth(), depth);
    }
    OpenText(kArchive, -1);
    EXPECT_EQ(m_archive.CacheSize(), 0u);
    OpenText(kArchive, 3);
    EXPECT_EQ(m_archive.Line(), 1);
    EXPECT_EQ(m_archive.ReadToken(), "CmoxCompositeCell");
    EXPECT_EQ(m_archive.ReadToken(), "Settings");
}

TEST_F(SearchCache, ReopeningEmptiesTheCache) {
    OpenText(kArchive, 2);
    ASSERT_EQ(m_archive.CacheSize(), 6u);
    OpenText("PREAMBLE \r\nCmoxLongCell \"Only\" \"$$\" = { 1  }\r\n", 2);
    EXPECT_EQ(m_archive.CacheSize(), 1u);
    EXPECT_EQ(Locate("\\Settings", "Count", 0), 0);
}

TEST_F(SearchCache, MissUnderAnAbsentCachedLevelReadsNothingWithoutCacheEverything) {
    OpenText(kArchive, 1);
    EXPECT_EQ(Locate("\\Absent\\Display", "Gain", 0), 0);
    // Still just after the first record's class name, where every Locate starts.
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(m_archive.ReadToken(), "Settings");

    OpenText(kArchive, 2);
    CmoxFindSpec underSettings("\\Settings\\Absent", "Gain", 0);
    EXPECT_EQ(m_archive.Locate(underSettings), 0);
    EXPECT_EQ(m_archive.Line(), 2);
    OpenText(kArchive, 0);
    EXPECT_EQ(m_archive.Locate(underSettings), 0);
    EXPECT_EQ(m_archive.Line(), kLineAtEnd);
}

TEST_F(SearchCache, HitSeeksToTheCachedRecordAndReadsOnlyIt) {
    OpenText(kArchive, 1);
    // The target's key is \Settings: found by walking down from there.
    ASSERT_EQ(Locate("\\Settings\\Display", "Gain", 0), 1);
    EXPECT_EQ(m_archive.Line(), 5);

    // A miss under Settings ends with Settings' closing brace, not at the end of the file.
    CmoxFindSpec missing("\\Settings\\Display", "Nope", 0);
    EXPECT_EQ(m_archive.Locate(missing), 0);
    EXPECT_EQ(m_archive.Line(), 10);
    EXPECT_EQ(m_archive.ReadToken(), "CmoxCompositeCell");
    EXPECT_EQ(m_archive.ReadToken(), "Other");

    // With depth 2 the key is cut at \Settings\Display: only Display is read.
    OpenText(kArchive, 2);
    EXPECT_EQ(m_archive.Locate(missing), 0);
    EXPECT_EQ(m_archive.Line(), 9);
}

TEST_P(SearchCacheAtDepth, KeysAreCutAtTheCacheDepth) {
    OpenText(kArchive, GetParam());
    EXPECT_EQ(RestoreLong("", "Last"), 8);
    EXPECT_EQ(RestoreLong("\\Settings", "Count"), 5);
    EXPECT_EQ(RestoreLong("\\Other", "Count"), 6);
    EXPECT_EQ(RestoreLong("\\Settings\\Display\\Deep", "Level"), 3);
    ASSERT_EQ(Locate("\\Settings\\Display", "Deep", 0), 1);
    EXPECT_EQ(m_archive.Line(), 6);
}

TEST_P(SearchCacheAtDepth, FirstOfTwoRecordsWithOnePathIsFound) {
    const std::string text = "PREAMBLE \r\n"
                             "CmoxCompositeCell \"S\" \"$One$\" {\r\n"
                             "\tCmoxLongCell \"A\" \"$$\" = { 1  }\r\n"
                             "}\r\n"
                             "CmoxCompositeCell \"S\" \"$Two$\" {\r\n"
                             "\tCmoxLongCell \"A\" \"$$\" = { 2  }\r\n"
                             "\tCmoxLongCell \"B\" \"$$\" = { 3  }\r\n"
                             "}\r\n";
    OpenText(text, GetParam());
    ASSERT_EQ(Locate("", "S", 0), 1);
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(m_archive.ReadToken(), "{");
    EXPECT_EQ(RestoreLong("\\S", "A"), 1);
    // Only the second S holds B: the cache must not hide it behind the first.
    EXPECT_EQ(RestoreLong("\\S", "B"), 3);
    EXPECT_EQ(Listed("\\S", 0, 0, 1), (std::vector<std::string>{"A", "A", "B"}));
}

TEST_P(SearchCacheAtDepth, NamesHoldingABackslashAreStillFound) {
    // "a\b" makes the path \a\b, which a key cut at depth 1 would take for \a.
    const std::string text = "PREAMBLE \r\n"
                             "CmoxCompositeCell \"a\" \"$$\" {\r\n"
                             "\tCmoxCompositeCell \"b\" \"$$\" {\r\n"
                             "\t}\r\n"
                             "}\r\n"
                             "CmoxCompositeCell \"a\\\\b\" \"$$\" {\r\n"
                             "\tCmoxLongCell \"c\" \"$$\" = { 4  }\r\n"
                             "}\r\n";
    OpenText(text, GetParam());
    EXPECT_EQ(RestoreLong("\\a\\b", "c"), 4);
    ASSERT_EQ(Locate("", "a\\b", 0), 1);
    EXPECT_EQ(m_archive.Line(), 6);
}
