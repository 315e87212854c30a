#pragma once
// What a reader sees of an archive text, through any stream buffer: the reader scans runs of
// characters inside the buffer, so the same text must read the same whatever buffer holds it.
// The archive fuzzer compares the two.

#include <mox/archive/CmoxArchive.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace moxtest {

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
inline std::vector<std::string> Transcript(std::iostream& in) {
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

} // namespace moxtest
