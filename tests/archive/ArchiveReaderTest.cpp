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
        int line = 0; // the line count at the end, where the case checks it
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
        {"comments", "A\r\n// c { }\r\n  //x\r\nB C\r\n", {"A", "B", "C"}, 6},
        {"ends in a comment line", "A\r\n// last\r\n", {"A"}, 4},
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
        if (c.line != 0) {
            EXPECT_EQ(m_archive.Line(), c.line) << c.what;
        }
    }
}

// Another stream counts no lines; a failed, missing or refused stream reads as its end.
TEST_F(ArchiveReader, OtherStreamsFailedStreamsAndThePreamble) {
    OpenOn("X\r\n");
    std::stringstream other("a\n// c\nd = { 1\n2 }\n"), block;
    EXPECT_EQ(m_archive.ReadToken(other), "a");
    EXPECT_EQ(m_archive.ReadToken(other), "d");
    EXPECT_EQ(m_archive.ReadBlock(block, other), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), " 12 }");
    EXPECT_EQ(m_archive.Line(), 1);
    m_in.setstate(std::ios::badbit);
    EXPECT_EQ(m_archive.ReadToken(), "");
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), "");
    const std::string path = moxtest::TempFile("reader_preamble");
    for (const char* text : {"Preamble \r\nA", "// lead\r\nPREAMBLE \r\nA"}) {
        std::ofstream(path, std::ios::binary) << text;
        CmoxArchive archive;
        const bool good = text[0] == '/';
        EXPECT_EQ(archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), good ? 1 : 0);
        EXPECT_EQ(archive.FileStream().is_open(), good);
        EXPECT_EQ(archive.ReadToken(), good ? "A" : "");
        EXPECT_EQ(archive.Line(), good ? 3 : 1);
        EXPECT_EQ(archive.ReadBinaryBlockHeader(), 0);
        EXPECT_EQ(archive.ReadBinaryBlock(), 0);
    }
    std::remove(path.c_str());
}

// ---- value blocks --------------------------------------------------------------------------

TEST_F(ArchiveReader, BlockReadsToTheLineWhereItsBracesBalance) {
    struct Case {
        const char* body;
        MoxRestoreError code;
        const char* rest; // what the block holds after its first "{"
        const char* next; // the next token of the archive
        int line = 0;     // the line count right after the block: its last LF stays unread
    };
    const Case cases[] = {
        {"= { 1 {2} 3 } tail\r\nN", MOX_RESTORE_OK, " 1 {2} 3 } tail\r", "N", 2},
        {"= { 1\r\n2\r\n3 }\r\nN", MOX_RESTORE_OK, " 1\r2\r3 }\r", "N", 4},
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
        if (c.line != 0) {
            EXPECT_EQ(m_archive.Line(), c.line) << c.body;
        }
        EXPECT_EQ(m_archive.ReadToken(), c.next) << c.body;
    }
}

// ---- skipping ------------------------------------------------------------------------------

TEST_F(ArchiveReader, SkipperStopsRightAfterTheClosingBrace) {
    struct Case {
        const char* body;
        MoxRestoreError code;
        const char* next;
        int line = 0; // the line count after `next`, where the case checks it
    };
    const Case cases[] = {
        {"= { a { b } \"\\}\" }tail next", MOX_RESTORE_OK, "tail"},
        {"= { // }\r\n x }\r\nNEXT", MOX_RESTORE_OK, "NEXT", 4}, // comment braces ignored
        {"no braces at all", MOX_RESTORE_OK, ""},
        {"= { 1 { 2 }", MOX_RESTORE_BAD_FORMAT, ""},
        {"= } x", MOX_RESTORE_UNEXPECTED_END, "x"},
    };
    for (const Case& c : cases) {
        OpenAtMark(c.body);
        EXPECT_EQ(m_archive.SkipOverBlock(), c.code) << c.body;
        EXPECT_EQ(m_archive.ReadToken(), c.next) << c.body;
        if (c.line != 0) {
            EXPECT_EQ(m_archive.Line(), c.line) << c.body;
        }
    }
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

// A string stream is read through; a file is skipped by position.
TEST_F(ArchiveReader, BinaryBlockIsSteppedOverWithItsBytesOrLeftAlone) {
    const struct {
        std::string body;
        int found;
        const char* next;
        bool pastEnd;
    } cases[] = {
        {std::string("= #16}\r\n{\0x After", 17), 1, "After", false},
        {"=   { 5 }", 0, "{", false}, // no block: only the spaces are consumed
        {"= #3100abc", 0, "", true},  // longer than the input: no block, and the input ends
    };
    const std::string path = moxtest::TempFile("reader_binary");
    for (const auto& c : cases) {
        for (const bool onFile : {false, true}) {
            std::ofstream(path, std::ios::binary) << "PREAMBLE \r\n" << c.body;
            if (onFile) {
                ASSERT_EQ(m_archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
            } else {
                OpenOn(c.body);
            }
            m_archive.ResetErrors();
            EXPECT_EQ(m_archive.ReadToken(), "=");
            EXPECT_EQ(m_archive.ReadBinaryBlock(), c.found) << c.next << onFile;
            EXPECT_EQ(m_archive.CheckRestoreStatus(), c.pastEnd ? 0 : 1) << c.next << onFile;
            EXPECT_EQ(m_archive.ReadToken(), c.next) << onFile;
        }
    }
    m_archive.Close();
    std::remove(path.c_str());
}
