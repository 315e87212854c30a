#pragma once
// Character access to an input stream for the archive reader.

#include <istream>
#include <streambuf>
#include <string>

namespace mox::detail {

// Reads characters straight from a stream's buffer. istream::get and istream::peek build a
// sentry and make a call per character; the buffer's sgetc/sbumpc are inline and only reach the
// virtual underflow when the buffer runs dry, which keeps tokenizing cheap on large archives.
// The stream's flags follow what get/peek would do: a stream that is not good yields nothing
// and gets failbit (as a sentry sets it); reaching the end sets eofbit. Once the end was seen
// the buffer is not asked again, so a scan at the end costs nothing.
class InputScanner {
  public:
    static constexpr int kEnd = std::char_traits<char>::eof();

    explicit InputScanner(std::istream& in) : m_in(in) {
        if (in.good() && in.rdbuf() != nullptr) {
            m_buf = in.rdbuf();
        } else {
            in.setstate(std::ios::failbit);
        }
    }

    // The next character (0..255) without consuming it, or kEnd.
    int Peek() {
        if (m_buf == nullptr) return kEnd;
        const int c = m_buf->sgetc();
        if (c == kEnd) Ended();
        return c;
    }

    // Consumes and returns the next character (0..255), or kEnd.
    int Get() {
        if (m_buf == nullptr) return kEnd;
        const int c = m_buf->sbumpc();
        if (c == kEnd) Ended();
        return c;
    }

    // Consumes the character that the last Peek returned (which was not kEnd).
    void Skip() { m_buf->sbumpc(); }

    // Skip, then Peek, in one buffer call.
    int Advance() {
        const int c = m_buf->snextc();
        if (c == kEnd) Ended();
        return c;
    }

    // True once the input has ended or was unreadable from the start.
    bool AtEnd() const { return m_buf == nullptr; }

    // True when the stream has any error flag set (its end reached included).
    bool StreamFailed() const { return m_in.rdstate() != std::ios::goodbit; }

    // Consumes up to `count` characters; returns how many were consumed.
    long long Ignore(long long count) {
        long long done = 0;
        while (done < count && Get() != kEnd)
            ++done;
        return done;
    }

  private:
    void Ended() {
        m_buf = nullptr;
        m_in.setstate(std::ios::eofbit);
    }

    std::istream& m_in;
    std::streambuf* m_buf = nullptr;
};

} // namespace mox::detail
