// The archive reader: tokens, comments and line counting, value blocks, block skipping and
// binary blocks.
#include "support/ArchiveTest.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ArchiveReader : public moxtest::ArchiveTest {
  protected:
    // As OpenOn, then reads the token MARK put before `body`, so that the stream stands at the
    // space before `body` rather than at the preamble's line end.
    void OpenAtMark(const std::string& body) {
        OpenOn("MARK " + body);
        ASSERT_EQ(m_archive.ReadToken(), "MARK");
    }
    std::vector<std::string> AllTokens() {
        std::vector<std::string> tokens;
        for (int i = 0; i < 1000; ++i) {
            const std::string& token = m_archive.ReadToken();
            if (token.empty() && !m_in.good()) break;
            tokens.push_back(token);
        }
        return tokens;
    }
    std::string Rest(std::stringstream& block) {
        std::string rest;
        std::getline(block, rest, '\0');
        return rest;
    }
};

using Tokens = std::vector<std::string>;

} // namespace

// ---- tokens --------------------------------------------------------------------------------

TEST_F(ArchiveReader, InputSplitsIntoTokens) {
    const std::string escapes5000 = [] {
        std::string s;
        for (int i = 0; i < 5000; ++i)
            s += "\\n";
        return s;
    }();
    struct Case {
        const char* what;
        std::string body;
        Tokens tokens;
    };
    const Case cases[] = {
        {"value record",
         "CmoxLongCell \"Count\" \"$$\" = { 5  }\r\n",
         {"CmoxLongCell", "Count", "$$", "=", "{", "5", "}"}},
        {"braces only between blanks", "a{b} { x=1 }\tend", {"a{b}", "{", "x=1", "}", "end"}},
        {"escapes", "\"\\x\\n\\r\\t\\b\\\\\\\"\\{\\}\\/q\" \"\" z", {"x\n\r\t\b\\\"{}/q", "", "z"}},
        {"quoted keeps blanks, is no comment",
         "\"// no comment\" \"a b\"",
         {"// no comment", "a b"}},
        {"unterminated quote", "\"abc def\r\nghi", {"abc def\r\nghi"}},
        {"bare limit", std::string(10001, 'a') + " b", {std::string(10000, 'a'), "a", "b"}},
        // The opening quote counts, so the closing one is not reached.
        {"quoted limit", "\"" + std::string(10000, 'a') + "\"", {std::string(9999, 'a'), "a\""}},
        // 1 + 4999 escapes of 2 = 9999 consumed: one more escape fits and ends the token; the
        // closing quote then opens a token of its own.
        {"escape limit", "\"" + escapes5000 + "\" next", {std::string(5000, '\n'), " next"}},
        {"comments", "A\r\n// c { }\r\n  //x\r\nB", {"A", "B"}},
        {"ends in a comment line", "A\r\n// last\r\n", {"A"}},
        {"ends in a comment", "A\r\n// last", {"A"}},
        // The comment token is long; the skip then stops at the LF.
        {"long comment token", "//" + std::string(1500, 'x') + " tail\r\nB", {"B"}},
        // "//" is the token; 1000 of the 1201 characters after it go, the rest is read as text.
        {"long comment line",
         "// " + std::string(1200, 'x') + "\r\nB",
         {std::string(201, 'x'), "B"}},
    };
    for (const Case& c : cases) {
        OpenOn(c.body);
        EXPECT_EQ(AllTokens(), c.tokens) << c.what;
        EXPECT_EQ(m_archive.ReadToken(), "") << c.what; // and again at the end
    }
}

TEST_F(ArchiveReader, CommentLinesAreSkippedAndCounted) {
    OpenOn("A\r\n// comment { with } braces\r\n  //another\r\nB C\r\n");
    EXPECT_EQ(m_archive.Line(), 1);
    EXPECT_EQ(m_archive.ReadToken(), "A");
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(m_archive.ReadToken(), "B");
    EXPECT_EQ(m_archive.Line(), 5);
    EXPECT_EQ(m_archive.ReadToken(), "C");
    EXPECT_EQ(m_archive.ReadToken(), "");
    EXPECT_EQ(m_archive.Line(), 6);
}

TEST_F(ArchiveReader, LinesAreCountedOnlyOnTheArchivesOwnStream) {
    OpenOn("X\r\n");
    std::stringstream other("a\nb\n// c\nd");
    EXPECT_EQ(m_archive.ReadToken(other), "a");
    EXPECT_EQ(m_archive.ReadToken(other), "b");
    EXPECT_EQ(m_archive.ReadToken(other), "d");
    EXPECT_EQ(m_archive.Line(), 1);
}

TEST_F(ArchiveReader, FailedOrMissingStreamReadsLikeItsEnd) {
    OpenOn("A B");
    m_in.setstate(std::ios::badbit);
    EXPECT_EQ(m_archive.ReadToken(), "");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), "");
    CmoxArchive closed;
    EXPECT_EQ(closed.ReadToken(), "");
    EXPECT_EQ(closed.ReadBinaryBlock(), 0);
    EXPECT_EQ(closed.ReadBinaryBlockHeader(), 0);
}

// ---- preamble ------------------------------------------------------------------------------

TEST_F(ArchiveReader, PreambleInOtherLetterCaseIsRefusedAndARefusedFileIsClosed) {
    const std::string bad = testing::TempDir() + "mox_reader_bad.qvx";
    const std::string good = testing::TempDir() + "mox_reader_good.qvx";
    std::ofstream(bad, std::ios::binary) << "Preamble \r\nA";
    std::ofstream(good, std::ios::binary) << "// lead\r\nPREAMBLE \r\nA";
    CmoxArchive archive;
    EXPECT_EQ(archive.Open(bad.c_str(), MOX_ARCHIVE_READ, 0), 0);
    EXPECT_FALSE(archive.FileStream().is_open());
    EXPECT_EQ(archive.CurrentStream(), nullptr);
    EXPECT_EQ(archive.ReadToken(), "");
    EXPECT_EQ(archive.CheckStatus(MOX_ARCHIVE_READ), 0);
    ASSERT_EQ(archive.Open(good.c_str(), MOX_ARCHIVE_READ, 0), 1);
    EXPECT_EQ(archive.ReadToken(), "A");
    EXPECT_EQ(archive.Line(), 3);
    EXPECT_EQ(archive.Close(), 1);
    std::remove(bad.c_str());
    std::remove(good.c_str());
}

// ---- value blocks --------------------------------------------------------------------------

TEST_F(ArchiveReader, BlockStopsAtTheEndOfTheLineWhereBracesBalance) {
    OpenOn("X = { 5  }\r\nNEXT");
    EXPECT_EQ(m_archive.ReadToken(), "X");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(m_in.peek(), '\n');
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
    EXPECT_EQ(m_archive.Line(), 3);
}

TEST_F(ArchiveReader, BlockReadsToTheLineWhereItsBracesBalance) {
    struct Case {
        const char* body;
        MoxRestoreError code;
        const char* rest; // what the block holds after its first "{"
        const char* next; // the next token of the archive
    };
    const Case cases[] = {
        {"= { 1 {2} 3 } tail\r\nN", MOX_RESTORE_OK, " 1 {2} 3 } tail\r", "N"},
        {"= { 1\r\n2\r\n3 }\r\nN", MOX_RESTORE_OK, " 1\r2\r3 }\r", "N"},
        {"= { \"a\\}\\}b\\{\"  }\r\nN", MOX_RESTORE_OK, " \"a\\}\\}b\\{\"  }\r", "N"},
        {"= { 5 // } { junk\r\n }\r\nN", MOX_RESTORE_OK, " 5  }\r", "N"},
        {"   ", MOX_RESTORE_OK, "", ""},
        {"= { 1", MOX_RESTORE_BAD_FORMAT, " 1", ""},
        {"= { 1\r\n 2\r\n", MOX_RESTORE_BAD_FORMAT, " 1\r 2\r", ""},
        {"= } more\r\nN", MOX_RESTORE_UNEXPECTED_END, "", "N"},
    };
    for (const Case& c : cases) {
        OpenAtMark(c.body);
        // Stale content must not survive: the block is replaced, not overwritten.
        std::stringstream block("= { stale stale stale stale stale stale stale }");
        EXPECT_EQ(m_archive.ReadBlock(block), c.code) << c.body;
        EXPECT_EQ(Rest(block), c.rest) << c.body;
        EXPECT_EQ(m_archive.ReadToken(), c.next) << c.body;
    }
}

TEST_F(ArchiveReader, BlockFromAnotherStreamCountsNoLines) {
    OpenOn("");
    std::stringstream other("= { 1\n2 }\n");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block, other), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), " 12 }");
    EXPECT_EQ(m_archive.Line(), 1);
}

// ---- skipping ------------------------------------------------------------------------------

TEST_F(ArchiveReader, SkipperStopsRightAfterTheClosingBrace) {
    struct Case {
        const char* body;
        MoxRestoreError code;
        const char* next;
    };
    const Case cases[] = {
        {"= { a { b } \"\\}\" }tail next", MOX_RESTORE_OK, "tail"},
        {"no braces at all", MOX_RESTORE_OK, ""},
        {"= { 1 { 2 }", MOX_RESTORE_BAD_FORMAT, ""},
        {"= } x", MOX_RESTORE_UNEXPECTED_END, "x"},
    };
    for (const Case& c : cases) {
        OpenAtMark(c.body);
        EXPECT_EQ(m_archive.SkipOverBlock(), c.code) << c.body;
        EXPECT_EQ(m_archive.ReadToken(), c.next) << c.body;
    }
}

TEST_F(ArchiveReader, SkipperIgnoresCommentBracesAndCountsLines) {
    OpenOn("= { // }\r\n x }\r\nNEXT");
    // The preamble's line end and the comment's both count.
    EXPECT_EQ(m_archive.SkipOverBlock(), MOX_RESTORE_OK);
    EXPECT_EQ(m_archive.Line(), 3);
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
    EXPECT_EQ(m_archive.Line(), 4);
}

TEST_F(ArchiveReader, BinaryHeaderGivesTheByteCountAndFlagsOneTheInputCannotHold) {
    struct Case {
        const char* body;
        long long count;
        const char* next;
        bool pastEnd;
    };
    const Case cases[] = {
        {"#3123", 123, "", true},
        {"   #10rest", 0, "rest", false},
        {"#F999999999999999", 999999999999999LL, "", true},
        {"xyz", 0, "yz", false}, // the character in place of "#" is consumed
        {"#00abc", 0, "abc", false},
        {"#G12", 0, "12", false},
        {"#312x4", 12, "4", true},
        {"#15abcde", 5, "abcde", false}, // exactly what is left
        {"#16abcde", 6, "abcde", true},
        {"#512", 12, "", true},
        {"#3-12", 0, "", false}, // never a negative count
    };
    for (const Case& c : cases) {
        OpenAtMark(c.body);
        m_archive.ResetErrors();
        EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), c.count) << c.body;
        EXPECT_EQ(m_archive.GetRestoreArray(),
                  c.pastEnd ? moxtest::Codes{MOX_RESTORE_UNEXPECTED_END} : moxtest::Codes{})
            << c.body;
        EXPECT_EQ(m_archive.ReadToken(), c.next) << c.body;
    }
}

TEST_F(ArchiveReader, BinaryBlockIsSteppedOverWithItsBytesOrLeftAlone) {
    struct Case {
        const char* body;
        int found;
        const char* next;
        bool pastEnd;
    };
    const Case cases[] = {
        {"= #15{}}\"/ NEXT", 1, "NEXT", false},
        {"=   { 5 }", 0, "{", false}, // no block: only the spaces are consumed
        {"= #3100abc", 0, "", true},  // longer than the input: no block, and the input ends
    };
    for (const Case& c : cases) {
        OpenOn(c.body);
        m_archive.ResetErrors();
        EXPECT_EQ(m_archive.ReadToken(), "=");
        EXPECT_EQ(m_archive.ReadBinaryBlock(), c.found) << c.body;
        EXPECT_EQ(m_archive.CheckRestoreStatus(), c.pastEnd ? 0 : 1) << c.body;
        EXPECT_EQ(m_archive.ReadToken(), c.next) << c.body;
    }
}

TEST_F(ArchiveReader, BinaryBlockInAFileArchiveIsSkippedByPosition) {
    const std::string path = testing::TempDir() + "mox_reader_binary.qvx";
    CmoxArchive archive;
    ASSERT_EQ(archive.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0), 1);
    archive.WriteToken("Blob", 1, 1);
    archive.WriteBinaryBlockHeader(6);
    archive.FileStream().write("}\r\n{\0x", 6);
    archive.WriteToken(" After", 1, 0);
    ASSERT_EQ(archive.Close(), 1);
    for (const bool byHeader : {true, false}) {
        ASSERT_EQ(archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
        EXPECT_EQ(archive.ReadToken(), "Blob");
        EXPECT_EQ(archive.ReadToken(), "=");
        if (byHeader) {
            EXPECT_EQ(archive.ReadBinaryBlockHeader(), 6);
            char bytes[6] = {};
            archive.FileStream().read(bytes, 6);
            EXPECT_EQ(std::string(bytes, 6), std::string("}\r\n{\0x", 6));
        } else {
            EXPECT_EQ(archive.ReadBinaryBlock(), 1);
        }
        EXPECT_EQ(archive.ReadToken(), "After");
        archive.Close();
    }
    std::remove(path.c_str());
}
