#pragma once
// The archive's tokenizer, written once for any character source: the archive's streams
// (InputScanner) and the text of a value block already in memory (RangeScanner).

#include <mox/archive/CmoxArchive.h>
#include <mox/archive/internal/Escapes.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace mox::detail {

// Characters of a text in memory, with the calls and end behaviour of InputScanner: once the end
// was seen it stays ended, as a stream with eofbit set does.
class RangeScanner {
  public:
    static constexpr int kEnd = std::char_traits<char>::eof();

    RangeScanner(const char* begin, const char* end) : m_at(begin), m_end(end) {}

    int Get() {
        if (m_at == m_end) {
            m_ended = true;
            return kEnd;
        }
        return static_cast<unsigned char>(*m_at++);
    }
    const char* Begin() const { return m_at; }
    const char* End() const { return m_end; }
    bool Refill() {
        m_ended = m_ended || m_at == m_end;
        return m_at != m_end;
    }
    void Consume(const char* to) { m_at = to; }
    // What a stream's error flags would say: set once the end was reached.
    bool StreamFailed() const { return m_ended; }

  private:
    const char* m_at;
    const char* m_end;
    bool m_ended = false;
};

template <class Scanner> class TokenReader {
  public:
    // The next token of `scan`: a view into the scanner's span when the token lies whole in it
    // and holds no escape, else into the archive's token buffer. Lines are counted when
    // `counting`.
    static std::string_view Read(CmoxArchive& archive, Scanner& scan, bool counting);

  private:
    static void ReadQuoted(std::string& token, Scanner& scan);
    static void ReadBare(std::string& token, Scanner& scan);
};

// What the tokenizer looks for in a byte, one table look-up instead of a chain of compares.
struct TokenBytes {
    enum : unsigned char { kSpace = 1, kQuotedStop = 2 };
    unsigned char kind[256] = {};
    constexpr TokenBytes() {
        for (const char c : {' ', '\t', '\r', '\n'})
            kind[static_cast<unsigned char>(c)] = kSpace;
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

constexpr std::ptrdiff_t kMaxTokenChars = CmoxArchive::kMaxTokenChars;

// Eight bytes at a time: `mayStop` marks the high bit of every byte of a word that may stop the
// scan, exactly so for the first of them (a borrow only runs upward), which `isStop` then
// decides. Names and class names are long enough for this to halve the work of a token.
template <class MayStop, class IsStop>
const char* SkipRun(const char* at, const char* limit, MayStop mayStop, IsStop isStop) {
    static_assert(sizeof(std::uint64_t) == 8, "the word test reads eight bytes");
    while (limit - at >= 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        word = __builtin_bswap64(word); // the first byte lowest, where borrows start
#endif
        const std::uint64_t marks = mayStop(word);
        if (marks == 0) {
            at += 8;
            continue;
        }
        at += __builtin_ctzll(marks) / 8;
        if (isStop(*at)) return at;
        ++at;
    }
    while (at != limit && !isStop(*at))
        ++at;
    return at;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;
inline std::uint64_t ZeroBytes(std::uint64_t word) {
    return (word - kOnes) & ~word & kHighs;
}
// A bare token ends at a space, TAB, CR or LF, all below 0x21; a quoted run at '"' or '\\'.
inline std::uint64_t MayEndBare(std::uint64_t word) {
    return (word - kOnes * 0x21) & ~word & kHighs;
}
inline std::uint64_t MayEndQuoted(std::uint64_t word) {
    return ZeroBytes(word ^ (kOnes * '"')) | ZeroBytes(word ^ (kOnes * '\\'));
}
inline const char* SkipBare(const char* at, const char* limit) {
    return SkipRun(at, limit, MayEndBare, IsTokenSpace);
}
inline const char* SkipQuoted(const char* at, const char* limit) {
    return SkipRun(at, limit, MayEndQuoted, EndsQuotedRun);
}

template <class Scanner>
std::string_view TokenReader<Scanner>::Read(CmoxArchive& archive, Scanner& scan, bool counting) {
    // A comment line is skipped up to its LF, but never more than this many characters at once.
    constexpr int kMaxCommentSkip = 1000;
    std::string& token = archive.m_token;
    for (;;) {
        for (;;) {
            if (!scan.Refill()) return {};
            const char* at = scan.Begin();
            const char* const end = scan.End();
            while (at != end && IsTokenSpace(*at)) {
                if (*at == '\n' && counting) ++archive.m_line;
                ++at;
            }
            scan.Consume(at);
            if (at != end) break;
        }
        // Most tokens lie whole in the span: handed out as a view of it, without a copy.
        const char* const begin = scan.Begin();
        const char* const limit = begin + std::min(scan.End() - begin, kMaxTokenChars);
        const bool quoted = *begin == '"';
        const char* at = begin + (quoted ? 1 : 0);
        if (quoted) {
            at = SkipQuoted(at, limit);
            if (at != limit && *at == '"') {
                scan.Consume(at + 1);
                return {begin + 1, static_cast<std::size_t>(at - begin - 1)};
            }
            token.clear();
            ReadQuoted(token, scan);
            return token;
        }
        at = SkipBare(at, limit);
        const bool comment = at - begin >= 2 && begin[0] == '/' && begin[1] == '/';
        if (at != scan.End() && !comment) {
            scan.Consume(at);
            return {begin, static_cast<std::size_t>(at - begin)};
        }
        token.clear();
        ReadBare(token, scan);
        if (token.size() < 2 || token[0] != '/' || token[1] != '/') return token;

        // A comment: the rest of its line goes, then reading starts over.
        for (int i = 0; i < kMaxCommentSkip; ++i) {
            const int ch = scan.Get();
            if (ch == Scanner::kEnd || ch == '\n') break;
        }
        if (counting) ++archive.m_line;
        if (scan.StreamFailed()) return {};
    }
}

// The slow ways, a character at a time: tokens that cross the end of the span, hold escapes or
// are comments.
template <class Scanner> void TokenReader<Scanner>::ReadQuoted(std::string& token, Scanner& scan) {
    // The opening quote and both characters of an escape count toward the limit. An escape is
    // never split, so a token may stop one character past it.
    scan.Get();
    for (std::ptrdiff_t consumed = 1; consumed < kMaxTokenChars; ++consumed) {
        int c = scan.Get();
        if (c == Scanner::kEnd || c == '"') return;
        if (c == '\\') {
            c = scan.Get();
            if (c == Scanner::kEnd) return;
            ++consumed;
            c = Unescaped(c);
        }
        token += static_cast<char>(c);
    }
}

template <class Scanner> void TokenReader<Scanner>::ReadBare(std::string& token, Scanner& scan) {
    // Up to the next space or the end, at most kMaxTokenChars characters. The character after
    // the token is looked at (which flags the end when there is none).
    while (scan.Refill() && token.size() < static_cast<std::size_t>(kMaxTokenChars) &&
           !IsTokenSpace(*scan.Begin())) {
        token += *scan.Begin();
        scan.Consume(scan.Begin() + 1);
    }
}

} // namespace mox::detail
