// The archive reader: tokens, comments and line counting, value blocks, block skipping and
// binary blocks.
#include "support/ArchiveTest.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class ArchiveReader : public moxtest::ArchiveTest {
  protected:
    static std::string Rest(std::stringstream& block) {
        std::string rest;
        std::getline(block, rest, '\0');
        return rest;
    }
    // Reads `body` with one operation, from just after a MARK token before it (so the stream
    // stands at the space before `body`), and tells what it saw, the line count after the
    // operation (unless left open), any flagged codes and the next token.
    std::string ReadWith(char op, bool lineOpen) {
        m_archive.ResetErrors();
        std::string seen;
        std::stringstream block("= { stale stale stale stale stale stale stale }");
        switch (op) {
        case 'T': // every token, up to the end of input, and again an empty one there
            for (int i = 0; i < 1000; ++i) {
                const std::string& token = m_archive.ReadToken();
                if (token.empty() && !m_in.good()) break;
                seen += token + "|";
            }
            break;
        case 'B': // a value block replaces the old content of its stream
            seen = std::to_string(m_archive.ReadBlock(block));
            seen += "[" + Rest(block) + "]";
            break;
        case 'S':
            seen = std::to_string(m_archive.SkipOverBlock());
            break;
        case 'H':
            seen = std::to_string(m_archive.ReadBinaryBlockHeader());
            break;
        case 'X':
            seen = m_archive.ReadToken();
            seen += std::to_string(m_archive.ReadBinaryBlock());
            break;
        }
        if (!lineOpen) seen += " @" + std::to_string(m_archive.Line());
        for (unsigned char code : Errors())
            seen += " E" + std::to_string(code);
        return seen + " " + m_archive.ReadToken();
    }
};

} // namespace

TEST_F(ArchiveReader, TokensBlocksSkipsAndBinaryHeadersTable) {
    std::string escapes5000;
    while (escapes5000.size() < 10000)
        escapes5000 += "\\n";
    const std::string path = moxtest::TempFile("reader_table");
    const struct {
        char op;
        std::string body, seen;
    } rows[] = {
        {'T', "CmoxLongCell \"Count\" \"$$\" = { 5  }\r\n", "CmoxLongCell|Count|$$|=|{|5|}| @3 "},
        {'T', "a{b} { x=1 }\tend", "a{b}|{|x=1|}|end| @2 "}, // braces only between blanks
        {'T', "\"\\x\\n\\r\\t\\b\\\\\\\"\\{\\}\\/q\" \"\" z", "x\n\r\t\b\\\"{}/q||z| @2 "},
        {'T', "\"// no comment\" \"a b\"", "// no comment|a b| @2 "}, // quoted: blanks kept
        {'T', "\"abc def\r\nghi", "abc def\r\nghi| @2 "},             // the quote never closes
        {'T', std::string(10001, 'a') + " b", std::string(10000, 'a') + "|a|b| @2 "},
        // The opening quote counts, so the closing one is not reached.
        {'T', "\"" + std::string(10000, 'a') + "\"", std::string(9999, 'a') + "|a\"| @2 "},
        // 1 + 4999 escapes of 2 = 9999 consumed: one more escape fits and ends the token; the
        // closing quote then opens a token of its own.
        {'T', "\"" + escapes5000 + "\" next", std::string(5000, '\n') + "| next| @2 "},
        {'T', "A\r\n// c { }\r\n  //x\r\nB C\r\n", "A|B|C| @6 "},
        {'T', "A\r\n// last\r\n", "A| @4 "},
        {'T', "A\r\n// last", "A| "}, // a comment at the end of input: line count left open
        // A long comment token; the skip then stops at the LF.
        {'T', "//" + std::string(1500, 'x') + " tail\r\nB", "B| @3 "},
        // "//" is the token; 1000 of the 1201 characters after it go, the rest is read as text.
        {'T', "// " + std::string(1200, 'x') + "\r\nB", std::string(201, 'x') + "|B| "},
        // A block reads to the line where its braces balance; its last LF stays unread.
        {'B', "= { 1 {2} 3 } tail\r\nN", "0[ 1 {2} 3 } tail\r] @2 N"},
        {'B', "= { 1\r\n2\r\n3 }\r\nN", "0[ 1\r2\r3 }\r] @4 N"},
        {'B', "= { \"a\\}\\}b\\{\"  }\r\nN", "0[ \"a\\}\\}b\\{\"  }\r] @2 N"},
        {'B', "= { 5 // } { junk\r\n }\r\nN", "0[ 5  }\r] @3 N"},
        {'B', "   ", "0[] @2 "},
        {'B', "= { 1", "1[ 1] @2 "},
        {'B', "= { 1\r\n 2\r\n", "1[ 1\r 2\r] @4 "},
        {'B', "= } more\r\nN", "2[] N"},
        // The skipper stops right after the closing brace; braces in comments do not count.
        {'S', "= { a { b } \"\\}\" }tail next", "0 @2 tail"},
        {'S', "= { // }\r\n x }\r\nNEXT", "0 @3 NEXT"},
        {'S', "no braces at all", "0 @2 "},
        {'S', "= { 1 { 2 }", "1 @2 "},
        {'S', "= } x", "2 @2 x"},
        // A binary header gives the byte count and flags one the input cannot hold.
        {'H', "#3123", "123 @2 E2 "},
        {'H', "   #10rest", "0 @2 rest"},
        {'H', "#F999999999999999", "999999999999999 @2 E2 "},
        {'H', "xyz", "0 @2 yz"}, // the character in place of "#" is consumed
        {'H', "#00abc", "0 @2 abc"},
        {'H', "#G12", "0 @2 12"},
        {'H', "#312x4", "12 @2 E2 4"},
        {'H', "#15abcde", "5 @2 abcde"}, // exactly what is left
        {'H', "#16abcde", "6 @2 E2 abcde"},
        {'H', "#512", "12 @2 E2 "},
        {'H', "#3-12", "0 @2 "}, // never a negative count
        // A binary block is stepped over with its bytes: read through on a string stream,
        // skipped by position on a file.
        {'X', std::string("= #16}\r\n{\0x After", 17), "=1 @2 After"},
        {'X', "=   { 5 }", "=0 @2 {"},    // no block: only the spaces are consumed
        {'X', "= #3100abc", "=0 @2 E2 "}, // longer than the input: the input ends
    };
    for (const auto& row : rows) {
        for (const bool onFile : {false, true}) {
            if (onFile && row.op != 'X') continue;
            SCOPED_TRACE(row.body.substr(0, 40) + (onFile ? " (file)" : ""));
            if (onFile) {
                std::ofstream(path, std::ios::binary) << "PREAMBLE \r\nMARK " << row.body;
                ASSERT_EQ(m_archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
            } else {
                OpenOn("MARK " + row.body);
            }
            ASSERT_EQ(m_archive.ReadToken(), "MARK");
            EXPECT_EQ(ReadWith(row.op, row.seen.find(" @") == std::string::npos), row.seen);
        }
    }
    m_archive.Close();
    std::remove(path.c_str());
}

// Another stream counts no lines; a failed, missing or refused stream reads as its end.
TEST_F(ArchiveReader, OtherStreamsFailedStreamsAndThePreamble) {
    OpenOn("X\r\n");
    std::stringstream other("a\n// c\nd = { 1\n2 }\n"), block;
    std::ostringstream log;
    log << m_archive.ReadToken(other) << m_archive.ReadToken(other)
        << m_archive.ReadBlock(block, other) << '[' << Rest(block) << "] " << m_archive.Line();
    m_in.setstate(std::ios::badbit);
    log << " bad: " << m_archive.ReadToken() << m_archive.ReadBlock(block) << '[' << Rest(block)
        << "]\n";
    // A file must start with the preamble, after any comment lines.
    const std::string path = moxtest::TempFile("reader_preamble");
    for (const char* text : {"Preamble \r\nA", "// lead\r\nPREAMBLE \r\nA"}) {
        std::ofstream(path, std::ios::binary) << text;
        CmoxArchive archive;
        log << archive.Open(path.c_str(), MOX_ARCHIVE_READ, 0) << archive.FileStream().is_open()
            << archive.ReadToken() << archive.Line() << archive.ReadBinaryBlockHeader()
            << archive.ReadBinaryBlock() << ' ';
    }
    std::remove(path.c_str());
    EXPECT_EQ(log.str(), "ad0[ 12 }] 1 bad: 0[]\n00100 11A300 ");
}
