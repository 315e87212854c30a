#pragma once
// Character access to an input stream for the archive reader.

#include <climits>
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
//
// Besides single characters, the scanner hands out spans: the characters the buffer holds now,
// [Begin(), End()), which a loop can scan with plain pointers and then Consume. Refill makes
// the span non-empty (reading more when the buffer ran dry) or reports the end. The stream's
// position always stands at Begin(), so single-character calls and spans may be mixed.
class InputScanner {
  public:
    static constexpr int kEnd = std::char_traits<char>::eof();

    explicit InputScanner(std::istream& in) : m_in(in) {
        if (in.good() && in.rdbuf() != nullptr) {
            m_buf = in.rdbuf();
            TakeSpan(); // usually the buffer holds input: no Refill round trip then
        } else {
            in.setstate(std::ios::failbit);
        }
    }

    // The buffered characters not yet consumed; may be empty until Refill.
    const char* Begin() const { return m_begin; }
    const char* End() const { return m_end; }

    // Makes [Begin(), End()) non-empty; false (and the stream's end flagged) when the input has
    // ended.
    bool Refill() {
        if (m_begin != m_end) return true;
        if (m_buf == nullptr) return false;
        const int c = m_buf->sgetc(); // reads more when the buffer ran dry
        if (c == kEnd) {
            Ended();
            return false;
        }
        if (!TakeSpan()) {
            // A buffer without a get area (unbuffered input): one character at a time, held
            // outside the scanner, which stays free of pointers into itself and so in registers.
            // Scanners are local to one reading call and never nested, so one slot per thread
            // serves them all.
            char& one = OneChar();
            one = static_cast<char>(c);
            m_begin = &one;
            m_end = &one + 1;
            m_single = true;
        }
        return true;
    }

    // Consumes the span's characters before `to` (Begin() <= to <= End()).
    void Consume(const char* to) {
        if (to == m_begin) return;
        if (m_single) return Skip(); // the one character
        BufferAccess::Bump(m_buf, static_cast<int>(to - m_begin));
        m_begin = to;
    }

    // The next character (0..255) without consuming it, or kEnd.
    int Peek() {
        DropSpan();
        if (m_buf == nullptr) return kEnd;
        const int c = m_buf->sgetc();
        if (c == kEnd) Ended();
        return c;
    }

    // Consumes and returns the next character (0..255), or kEnd.
    int Get() {
        DropSpan();
        if (m_buf == nullptr) return kEnd;
        const int c = m_buf->sbumpc();
        if (c == kEnd) Ended();
        return c;
    }

    // Consumes the character that the last Peek returned (which was not kEnd).
    void Skip() {
        DropSpan();
        m_buf->sbumpc();
    }

    // True when the stream has any error flag set (its end reached included).
    bool StreamFailed() const { return m_in.rdstate() != std::ios::goodbit; }

  private:
    // The get area of any stream buffer: gptr, egptr and gbump are protected, but a pointer to
    // them taken through a derived class applies to every buffer.
    struct BufferAccess : std::streambuf {
        static char* Next(std::streambuf* b) { return (b->*&BufferAccess::gptr)(); }
        static char* Last(std::streambuf* b) { return (b->*&BufferAccess::egptr)(); }
        static void Bump(std::streambuf* b, int n) { (b->*&BufferAccess::gbump)(n); }
    };

    // The buffer's characters become the span; false when it holds none.
    bool TakeSpan() {
        char* next = BufferAccess::Next(m_buf);
        const std::ptrdiff_t held = BufferAccess::Last(m_buf) - next;
        if (held <= 0) return false;
        // gbump takes an int: a larger buffer is handed out in int-sized spans.
        m_begin = next;
        m_end = next + (held > INT_MAX ? INT_MAX : held);
        m_single = false;
        return true;
    }

    // The span is only a view of the buffer: the stream's position is already at Begin().
    void DropSpan() {
        m_begin = m_end = nullptr;
        m_single = false;
    }

    void Ended() {
        m_buf = nullptr;
        m_in.setstate(std::ios::eofbit);
    }

    std::istream& m_in;
    std::streambuf* m_buf = nullptr;
    const char* m_begin = nullptr;
    const char* m_end = nullptr;
    bool m_single = false; // the span is OneChar()

    static char& OneChar() {
        thread_local char one = 0;
        return one;
    }
};

} // namespace mox::detail
