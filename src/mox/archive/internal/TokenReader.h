#pragma once
// The archive's tokenizer, written once for any character source: the archive's streams
// (InputScanner) and the text of a value block already in memory (RangeScanner).

#include <mox/archive/CmoxArchive.h>
#include <mox/archive/internal/Escapes.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace mox::detail {

// Characters of a text in memory, with the calls and end behaviour of InputScanner: once the end
// was seen it stays ended, as a stream with eofbit set does.
class RangeScanner {
  public:
    static constexpr int kEnd = std::char_traits<char>::eof();

    RangeScanner(const char* begin, const char* end) : m_at(begin), m_end(end) {}

    int Peek() {
        if (m_at == m_end) {
            m_ended = true;
            return kEnd;
        }
        return static_cast<unsigned char>(*m_at);
    }
    int Get() {
        if (m_at == m_end) {
            m_ended = true;
            return kEnd;
        }
        return static_cast<unsigned char>(*m_at++);
    }
    void Skip() { ++m_at; }
    const char* Begin() const { return m_at; }
    const char* End() const { return m_end; }
    bool Refill() {
        if (m_at != m_end) return true;
        m_ended = true;
        return false;
    }
    void Consume(const char* to) { m_at = to; }
    int Advance() {
        ++m_at;
        return Peek();
    }
    // What a stream's error flags would say: set once the end was reached.
    bool StreamFailed() const { return m_ended; }
    const char* Position() const { return m_at; }

  private:
    const char* m_at;
    const char* m_end;
    bool m_ended = false;
};

template <class Scanner> class TokenReader {
  public:
    // The next token of `scan` in the archive's token buffer; lines are counted when `counting`.
    static std::string& Read(CmoxArchive& archive, Scanner& scan, bool counting);
};

// What the tokenizer looks for in a byte, one table look-up instead of a chain of compares.
struct TokenBytes {
    enum : unsigned char { kSpace = 1, kQuotedStop = 2 };
    unsigned char kind[256] = {};
    constexpr TokenBytes() {
        kind[static_cast<unsigned char>(' ')] = kSpace;
        kind[static_cast<unsigned char>('\t')] = kSpace;
        kind[static_cast<unsigned char>('\r')] = kSpace;
        kind[static_cast<unsigned char>('\n')] = kSpace;
        kind[static_cast<unsigned char>('"')] = kQuotedStop;
        kind[static_cast<unsigned char>('\\')] = kQuotedStop;
    }
};
inline constexpr TokenBytes kTokenBytes;

inline bool IsTokenSpace(char c) {
    return kTokenBytes.kind[static_cast<unsigned char>(c)] == TokenBytes::kSpace;
}
inline bool EndsQuotedRun(char c) {
    return kTokenBytes.kind[static_cast<unsigned char>(c)] == TokenBytes::kQuotedStop;
}

template <class Scanner>
std::string& TokenReader<Scanner>::Read(CmoxArchive& archive, Scanner& scan, bool counting) {
    // A comment line is skipped up to its LF, but never more than this many characters at once.
    constexpr int kMaxCommentSkip = 1000;
    constexpr std::ptrdiff_t kMaxTokenChars = CmoxArchive::kMaxTokenChars;
    std::string& token = archive.m_token;
    token.clear();
    // Runs of characters are scanned in the buffer and appended in one piece; only escapes and
    // comments go one character at a time.
    for (;;) {
        for (;;) {
            if (!scan.Refill()) return token;
            const char* at = scan.Begin();
            const char* const end = scan.End();
            while (at != end && IsTokenSpace(*at)) {
                if (*at == '\n' && counting) ++archive.m_line;
                ++at;
            }
            scan.Consume(at);
            if (at != end) break;
        }

        if (*scan.Begin() == '"') {
            // Quoted: the opening quote and both characters of an escape count toward the
            // limit. An escape is never split, so a token may stop one character past it.
            scan.Consume(scan.Begin() + 1);
            std::ptrdiff_t consumed = 1;
            while (consumed < kMaxTokenChars && scan.Refill()) {
                const char* const begin = scan.Begin();
                const char* const limit =
                    begin + std::min<std::ptrdiff_t>(scan.End() - begin, kMaxTokenChars - consumed);
                const char* at = begin;
                while (at != limit && !EndsQuotedRun(*at))
                    ++at;
                token.append(begin, static_cast<std::size_t>(at - begin));
                consumed += at - begin;
                if (at == limit) {
                    scan.Consume(at);
                    continue;
                }
                scan.Consume(at + 1);
                ++consumed;
                if (*at == '"') break;
                // An escape: the character after the backslash, translated.
                int ch = scan.Get();
                if (ch == Scanner::kEnd) break;
                ++consumed;
                token += static_cast<char>(Unescaped(ch));
            }
            return token;
        }

        // Unquoted: up to the next space or the end, at most kMaxTokenChars characters. The
        // character after the token is looked at (which flags the end when there is none).
        std::ptrdiff_t taken = 0;
        while (scan.Refill() && taken < kMaxTokenChars) {
            const char* const begin = scan.Begin();
            const char* const end = scan.End();
            const char* const limit =
                begin + std::min<std::ptrdiff_t>(end - begin, kMaxTokenChars - taken);
            const char* at = begin;
            while (at != limit && !IsTokenSpace(*at))
                ++at;
            token.append(begin, static_cast<std::size_t>(at - begin));
            taken += at - begin;
            scan.Consume(at);
            if (at != end) break;
        }
        if (token.size() < 2 || token[0] != '/' || token[1] != '/') return token;

        // A comment: the rest of its line goes, then reading starts over.
        for (int i = 0; i < kMaxCommentSkip; ++i) {
            const int ch = scan.Get();
            if (ch == Scanner::kEnd || ch == '\n') break;
        }
        if (counting) ++archive.m_line;
        token.clear();
        if (scan.StreamFailed()) return token;
    }
}

} // namespace mox::detail
