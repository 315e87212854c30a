// The archive reader: tokens, comments and line counting, value blocks, block skipping and
// binary blocks.
#include <mox/archive/CmoxArchive.h>

#include "support/MoxTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ArchiveReader : public moxtest::MoxTest {
  protected:
    // Opens the archive for reading on "PREAMBLE" + CR LF + `body`.
    void OpenOn(const std::string& body) {
        m_in.str("PREAMBLE \r\n" + body);
        m_in.clear();
        ASSERT_EQ(m_archive.Open(&m_in, MOX_ARCHIVE_READ, 0), 1);
    }
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

    std::stringstream m_in;
    CmoxArchive m_archive;
};

using Tokens = std::vector<std::string>;

} // namespace

// ---- tokens --------------------------------------------------------------------------------

TEST_F(ArchiveReader, ValueRecordLineSplitsIntoItsTokens) {
    OpenOn("CmoxLongCell \"Count\" \"$$\" = { 5  }\r\n");
    EXPECT_EQ(AllTokens(), (Tokens{"CmoxLongCell", "Count", "$$", "=", "{", "5", "}"}));
}

TEST_F(ArchiveReader, BracesAreTokensOnlyBetweenWhitespace) {
    OpenOn("a{b} { x=1 }\tend");
    EXPECT_EQ(AllTokens(), (Tokens{"a{b}", "{", "x=1", "}", "end"}));
}

TEST_F(ArchiveReader, QuotedTokenUndoesEveryEscape) {
    OpenOn("\"\\x\\n\\r\\t\\b\\\\\\\"\\{\\}\\/q\" \"\"");
    EXPECT_EQ(m_archive.ReadToken(), "x\n\r\t\b\\\"{}/q");
    EXPECT_EQ(m_archive.ReadToken(), "");
    EXPECT_TRUE(m_in.good()); // an empty quoted token is not the end
    EXPECT_EQ(m_archive.ReadToken(), "");
    EXPECT_FALSE(m_in.good());
}

TEST_F(ArchiveReader, QuotedTokenKeepsSpacesAndIsNotAComment) {
    OpenOn("\"// not a comment\" \"a b\"");
    EXPECT_EQ(AllTokens(), (Tokens{"// not a comment", "a b"}));
}

TEST_F(ArchiveReader, UnterminatedQuoteRunsToTheEnd) {
    OpenOn("\"abc def\r\nghi");
    EXPECT_EQ(m_archive.ReadToken(), "abc def\r\nghi");
    EXPECT_EQ(m_archive.ReadToken(), "");
    EXPECT_EQ(m_archive.ReadToken(), "");
}

TEST_F(ArchiveReader, BareTokenIsCutAtTenThousandCharacters) {
    OpenOn(std::string(10001, 'a') + " b");
    EXPECT_EQ(m_archive.ReadToken(), std::string(10000, 'a'));
    EXPECT_EQ(m_archive.ReadToken(), "a");
    EXPECT_EQ(m_archive.ReadToken(), "b");
}

TEST_F(ArchiveReader, QuotedTokenLimitCountsTheQuoteAndBothEscapeCharacters) {
    OpenOn("\"" + std::string(10000, 'a') + "\"");
    EXPECT_EQ(m_archive.ReadToken(), std::string(9999, 'a'));
    EXPECT_EQ(m_archive.ReadToken(), "a\"");

    std::string escaped;
    for (int i = 0; i < 5000; ++i)
        escaped += "\\n";
    OpenOn("\"" + escaped + "\" next");
    // 1 + 4999 escapes of 2 = 9999 consumed, so one more escape fits and ends the token.
    EXPECT_EQ(m_archive.ReadToken(), std::string(5000, '\n'));
    // The closing quote was not reached: it now opens a token of its own.
    EXPECT_EQ(m_archive.ReadToken(), " next");
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

TEST_F(ArchiveReader, FileEndingInACommentGivesTheEmptyToken) {
    OpenOn("A\r\n// last line\r\n");
    EXPECT_EQ(m_archive.ReadToken(), "A");
    EXPECT_EQ(m_archive.ReadToken(), "");
    OpenOn("A\r\n// no line end");
    EXPECT_EQ(m_archive.ReadToken(), "A");
    EXPECT_EQ(m_archive.ReadToken(), "");
    EXPECT_EQ(m_archive.Good(), 0);
}

TEST_F(ArchiveReader, LongCommentLineIsSkippedAThousandCharactersAtATime) {
    OpenOn("//" + std::string(1500, 'x') + " tail\r\nB");
    // The comment token takes 1502 characters; the skip then stops at the LF well within 1000.
    EXPECT_EQ(m_archive.ReadToken(), "B");
    OpenOn("// " + std::string(1200, 'x') + "\r\nB");
    // "//" is the token; 1000 of the 1203 characters after it go, the rest is read as text.
    EXPECT_EQ(m_archive.ReadToken(), std::string(201, 'x'));
    EXPECT_EQ(m_archive.ReadToken(), "B");
}

TEST_F(ArchiveReader, LinesAreCountedOnlyOnTheArchivesOwnStream) {
    OpenOn("X\r\n");
    std::stringstream other("a\nb\n// c\nd");
    EXPECT_EQ(m_archive.ReadToken(other), "a");
    EXPECT_EQ(m_archive.ReadToken(other), "b");
    EXPECT_EQ(m_archive.ReadToken(other), "d");
    EXPECT_EQ(m_archive.Line(), 1);
}

TEST_F(ArchiveReader, FailedStreamReadsLikeItsEnd) {
    OpenOn("A B");
    m_in.setstate(std::ios::badbit);
    EXPECT_EQ(m_archive.ReadToken(), "");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), "");
}

TEST_F(ArchiveReader, NoStreamGivesTheEmptyToken) {
    CmoxArchive closed;
    EXPECT_EQ(closed.ReadToken(), "");
    EXPECT_EQ(closed.ReadBinaryBlock(), 0);
    EXPECT_EQ(closed.ReadBinaryBlockHeader(), 0);
}

// ---- preamble ------------------------------------------------------------------------------

TEST_F(ArchiveReader, PreambleInOtherLetterCaseIsRefused) {
    std::stringstream in("Preamble \r\nA");
    CmoxArchive archive;
    EXPECT_EQ(archive.Open(&in, MOX_ARCHIVE_READ, 0), 0);
    EXPECT_EQ(archive.CurrentStream(), nullptr);
    EXPECT_EQ(archive.ReadToken(), "");
    EXPECT_EQ(archive.CheckStatus(MOX_ARCHIVE_READ), 0);
}

TEST_F(ArchiveReader, RefusedFileIsClosedSoTheArchiveCanOpenAnother) {
    const std::string bad = testing::TempDir() + "mox_reader_bad.qvx";
    const std::string good = testing::TempDir() + "mox_reader_good.qvx";
    std::ofstream(bad, std::ios::binary) << "preamble \r\nA";
    std::ofstream(good, std::ios::binary) << "// lead\r\nPREAMBLE \r\nA";
    CmoxArchive archive;
    EXPECT_EQ(archive.Open(bad.c_str(), MOX_ARCHIVE_READ, 0), 0);
    EXPECT_FALSE(archive.FileStream().is_open());
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
    EXPECT_EQ(Rest(block), " 5  }\r");
    EXPECT_EQ(m_in.peek(), '\n');
    EXPECT_EQ(m_archive.Line(), 2);
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
    EXPECT_EQ(m_archive.Line(), 3);
}

TEST_F(ArchiveReader, NestedBalancedBlockReadsAsOne) {
    OpenOn("= { 1 {2} 3 } tail\r\n");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), " 1 {2} 3 } tail\r");
}

TEST_F(ArchiveReader, BlockOverSeveralLinesIsJoinedWithoutLineFeeds) {
    OpenOn("= { 1\r\n2\r\n3 }\r\nZ");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), " 1\r2\r3 }\r");
    EXPECT_EQ(m_archive.Line(), 4);
}

TEST_F(ArchiveReader, BlockOpenAtTheEndIsBadFormat) {
    OpenOn("= { 1");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_BAD_FORMAT);
    OpenOn("= { 1\r\n 2\r\n");
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_BAD_FORMAT);
}

TEST_F(ArchiveReader, SurplusClosingBraceIsUnexpectedEnd) {
    OpenOn("= } more\r\nNEXT");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_UNEXPECTED_END);
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
}

TEST_F(ArchiveReader, EscapedBracesInAQuotedValueDoNotCount) {
    OpenOn("= { \"a\\}\\}b\\{\"  }\r\nNEXT");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(m_archive.ReadToken(block), "a}}b{");
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
}

TEST_F(ArchiveReader, CommentInsideABlockIsLeftOutWithItsBraces) {
    OpenOn("= { 5 // } { junk\r\n }\r\n");
    std::stringstream block;
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), " 5  }\r");
}

TEST_F(ArchiveReader, InputEndingBeforeAnyBraceGivesAnEmptyBlock) {
    OpenOn("   ");
    std::stringstream block("stale content that must go");
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), "");
}

TEST_F(ArchiveReader, BlockReplacesWhatTheBlockStreamHeld) {
    OpenOn("= { 1 }\r\n");
    std::stringstream block("= { 123456789 long stale text }");
    EXPECT_EQ(m_archive.ReadBlock(block), MOX_RESTORE_OK);
    EXPECT_EQ(Rest(block), " 1 }\r");
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
    OpenOn("= { a { b } \"\\}\" }tail next");
    EXPECT_EQ(m_archive.SkipOverBlock(), MOX_RESTORE_OK);
    EXPECT_EQ(m_archive.ReadToken(), "tail");
}

TEST_F(ArchiveReader, SkipperIgnoresCommentBracesAndCountsLines) {
    OpenOn("= { // }\r\n x }\r\nNEXT");
    // The preamble's line end and the comment's both count.
    EXPECT_EQ(m_archive.SkipOverBlock(), MOX_RESTORE_OK);
    EXPECT_EQ(m_archive.Line(), 3);
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
    EXPECT_EQ(m_archive.Line(), 4);
}

TEST_F(ArchiveReader, SkipperReportsOpenAndSurplusBlocks) {
    OpenOn("= { 1 { 2 }");
    EXPECT_EQ(m_archive.SkipOverBlock(), MOX_RESTORE_BAD_FORMAT);
    OpenOn("= } x");
    EXPECT_EQ(m_archive.SkipOverBlock(), MOX_RESTORE_UNEXPECTED_END);
    EXPECT_EQ(m_archive.ReadToken(), "x");
    OpenOn("no braces at all");
    EXPECT_EQ(m_archive.SkipOverBlock(), MOX_RESTORE_OK);
    EXPECT_EQ(m_archive.ReadToken(), "");
}

// ---- binary blocks -------------------------------------------------------------------------

TEST_F(ArchiveReader, BinaryHeaderGivesTheByteCount) {
    OpenAtMark("#3123");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 123);
    OpenAtMark("   #10rest");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 0);
    EXPECT_EQ(m_archive.ReadToken(), "rest");
    OpenAtMark("#F999999999999999");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 999999999999999LL);
}

TEST_F(ArchiveReader, BinaryHeaderMissingConsumesOneCharacter) {
    OpenAtMark("xyz");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 0);
    EXPECT_EQ(m_archive.ReadToken(), "yz");
}

TEST_F(ArchiveReader, MalformedBinaryHeadersGiveNoNegativeOrWildCounts) {
    OpenAtMark("#3-12");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 0);
    OpenAtMark("#G12");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 0);
    EXPECT_EQ(m_archive.ReadToken(), "12");
    OpenAtMark("#312x4");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 12);
    OpenAtMark("#512");
    EXPECT_EQ(m_archive.ReadBinaryBlockHeader(), 12);
}

TEST_F(ArchiveReader, BinaryBlockIsSteppedOverWithItsBytes) {
    OpenOn("= #15{}}\"/ NEXT");
    EXPECT_EQ(m_archive.ReadToken(), "=");
    EXPECT_EQ(m_archive.ReadBinaryBlock(), 1);
    EXPECT_EQ(m_archive.ReadToken(), "NEXT");
}

TEST_F(ArchiveReader, NoBinaryBlockConsumesOnlyTheSpaces) {
    OpenOn("=   { 5 }");
    EXPECT_EQ(m_archive.ReadToken(), "=");
    EXPECT_EQ(m_archive.ReadBinaryBlock(), 0);
    EXPECT_EQ(m_in.peek(), '{');
}

TEST_F(ArchiveReader, BinaryBlockLongerThanTheInputEndsIt) {
    OpenOn("= #3100abc");
    EXPECT_EQ(m_archive.ReadToken(), "=");
    EXPECT_EQ(m_archive.ReadBinaryBlock(), 1);
    EXPECT_EQ(m_archive.ReadToken(), "");
}

TEST_F(ArchiveReader, BinaryBlockInAFileArchiveIsSkippedByPosition) {
    const std::string path = testing::TempDir() + "mox_reader_binary.qvx";
    {
        CmoxArchive writer;
        ASSERT_EQ(writer.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0), 1);
        writer.WriteToken("Blob", 1, 1);
        writer.WriteBinaryBlockHeader(6);
        writer.FileStream().write("}\r\n{\0x", 6);
        writer.WriteToken(" After", 1, 0);
        ASSERT_EQ(writer.Close(), 1);
    }
    CmoxArchive reader;
    ASSERT_EQ(reader.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
    EXPECT_EQ(reader.ReadToken(), "Blob");
    EXPECT_EQ(reader.ReadToken(), "=");
    EXPECT_EQ(reader.ReadBinaryBlockHeader(), 6);
    char bytes[6] = {};
    reader.FileStream().read(bytes, 6);
    EXPECT_EQ(std::string(bytes, 6), std::string("}\r\n{\0x", 6));
    EXPECT_EQ(reader.ReadToken(), "After");
    reader.Close();

    ASSERT_EQ(reader.Open(path.c_str(), MOX_ARCHIVE_READ, 0), 1);
    EXPECT_EQ(reader.ReadToken(), "Blob");
    EXPECT_EQ(reader.ReadToken(), "=");
    EXPECT_EQ(reader.ReadBinaryBlock(), 1);
    EXPECT_EQ(reader.ReadToken(), "After");
    reader.Close();
    std::remove(path.c_str());
}
