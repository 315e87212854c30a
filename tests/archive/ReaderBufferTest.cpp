// The reader scans runs of characters inside the stream's buffer. Whatever buffer a stream has
// (none at all, or one of a few characters that splits tokens, escapes, comments and line ends
// at every place), it must read exactly what it reads from a string stream.
#include <mox/archive/CmoxArchive.h>
#include <mox/collections/CmoxCompositeCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include "support/MoxTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// Serves a text through a get area of at most `window` characters; with 0 there is no get area
// and every character comes from underflow/uflow, as from an unbuffered device.
class WindowBuf : public std::streambuf {
  public:
    WindowBuf(std::string text, std::size_t window) : m_text(std::move(text)), m_window(window) {}

  protected:
    int_type underflow() override {
        if (m_window == 0)
            return m_pos < m_text.size() ? traits_type::to_int_type(m_text[m_pos]) : EOF;
        if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (m_pos >= m_text.size()) return EOF;
        const std::size_t n = std::min(m_window, m_text.size() - m_pos);
        std::memcpy(m_chunk, m_text.data() + m_pos, n);
        m_pos += n;
        setg(m_chunk, m_chunk, m_chunk + n);
        return traits_type::to_int_type(*gptr());
    }
    int_type uflow() override {
        if (m_window != 0) return std::streambuf::uflow();
        return m_pos < m_text.size() ? traits_type::to_int_type(m_text[m_pos++]) : EOF;
    }
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
        const std::size_t buffered =
            gptr() != nullptr ? static_cast<std::size_t>(egptr() - gptr()) : 0;
        const off_type here = static_cast<off_type>(m_pos - buffered);
        const off_type base = dir == std::ios::beg   ? 0
                              : dir == std::ios::cur ? here
                                                     : static_cast<off_type>(m_text.size());
        return seekpos(pos_type(base + off), std::ios::in);
    }
    pos_type seekpos(pos_type pos, std::ios::openmode) override {
        const off_type at = off_type(pos);
        if (at < 0 || at > static_cast<off_type>(m_text.size())) return pos_type(off_type(-1));
        m_pos = static_cast<std::size_t>(at);
        setg(m_chunk, m_chunk, m_chunk);
        return pos;
    }

  private:
    std::string m_text;
    std::size_t m_window;
    std::size_t m_pos = 0;
    char m_chunk[16] = {};
};

// What a reader sees of `text`: every token with the line and stream state after it; a block
// read (its code and text) after each "=" and a skip after each "SKIP".
std::vector<std::string> Transcript(std::iostream& in) {
    CmoxArchive archive;
    std::vector<std::string> seen;
    if (archive.Open(&in, MOX_ARCHIVE_READ, 0) == 0) return {"refused"};
    for (int i = 0; i < 400; ++i) {
        const std::string token = archive.ReadToken();
        seen.push_back("token [" + token + "] line " + std::to_string(archive.Line()) + " state " +
                       std::to_string(in.rdstate()));
        if (token == "=") {
            std::stringstream block;
            const MoxRestoreError code = archive.ReadBlock(block);
            std::string rest;
            std::getline(block, rest, '\0');
            seen.push_back("block " + std::to_string(code) + " [" + rest + "] line " +
                           std::to_string(archive.Line()) + " state " +
                           std::to_string(in.rdstate()));
        } else if (token == "SKIP") {
            seen.push_back("skip " + std::to_string(archive.SkipOverBlock()) + " line " +
                           std::to_string(archive.Line()));
        }
        if (token.empty() && !in.good()) break;
        in.clear(in.rdstate() & ~std::ios::failbit);
    }
    return seen;
}

const char* const kBodies[] = {
    "CmoxLongCell \"Count\" \"$$\" = { 5  }\r\nCmoxStringCell \"T\" \"$u$\" = { \"a \\\"b\\\" c\"  "
    "}\r\n",
    "\"\\x\\n\\r\\t\\b\\\\\\\"\\{\\}\\/q\" \"\" z\r\n  \"unterminated\r\nquote",
    "A\r\n// c { }\r\n  //x\r\nB // tail\r\n// last",
    "= { 1 {2} 3 } tail\r\nN = { 1\r\n2\r\n3 }\r\nN = { 5 // } { junk\r\n }\r\nN",
    "= { \"a\\}\\}b\\{\"  }\r\nN = } more\r\nN = { / / \\/\\/ x } y\r\n= { 1\r\n 2\r\n",
    "SKIP { a { b } \"\\}\" // }\r\n }tail SKIP { 1 { 2 }",
    "x\ty\n\n\nz\r\n{\r\n}\r\nend",
};

} // namespace

TEST(ReaderBuffer, ReadsTheSameThroughAnyStreamBuffer) {
    std::vector<std::string> bodies(std::begin(kBodies), std::end(kBodies));
    bodies.push_back(std::string(10001, 'a') + " \"" + std::string(10000, 'q') + "\" end");
    for (const std::string& body : bodies) {
        const std::string text = "PREAMBLE \r\n" + body;
        std::stringstream reference(text);
        const std::vector<std::string> expected = Transcript(reference);
        for (std::size_t window : {0, 1, 2, 3, 7, 16}) {
            WindowBuf buf(text, window);
            std::iostream in(&buf);
            EXPECT_EQ(Transcript(in), expected)
                << "window " << window << " body " << body.substr(0, 60);
        }
    }
}

class ReaderBufferRestore : public moxtest::MoxTest {};

TEST_F(ReaderBufferRestore, TreeRestoresThroughAOneCharacterBuffer) {
    CmoxCompositeCell saved("Root");
    auto* group = new CmoxCompositeCell("Group");
    saved.AddChild(group, 1);
    group->AddChild(new CmoxLongCell("Count", -42), 1);
    group->AddChild(new CmoxStringCell("Title", "say \"hi\"\t{ // }"), 1);
    std::stringstream out;
    CmoxArchive writer;
    ASSERT_EQ(writer.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
    ASSERT_EQ(writer.Save(saved), 1);
    writer.Close();

    CmoxCompositeCell restored("Root");
    auto* target = new CmoxCompositeCell("Group");
    restored.AddChild(target, 1);
    auto* count = new CmoxLongCell("Count", 0);
    auto* title = new CmoxStringCell("Title", "");
    target->AddChild(count, 1);
    target->AddChild(title, 1);
    for (std::size_t window : {0, 1}) {
        WindowBuf buf(out.str(), window);
        std::iostream in(&buf);
        CmoxArchive reader;
        ASSERT_EQ(reader.Open(&in, MOX_ARCHIVE_READ, 0), 1);
        ASSERT_EQ(reader.ReadToken(), "CmoxCompositeCell");
        ASSERT_EQ(reader.ReadToken(), "Root");
        restored.RestoreUserName(reader);
        EXPECT_EQ(reader.Restore(&restored), 1) << "window " << window;
        EXPECT_EQ(count->Value(), -42);
        EXPECT_EQ(title->Value(), "say \"hi\"\t{ // }");
        count->Value(0L);
        title->Value("");
    }
}
