#pragma once
// The archive's tokenizer, written once for any character source: the archive's streams
// (InputScanner) and the text of a value block already in memory (RangeScanner).

#include <mox/archive/CmoxArchive.h>
#include <mox/archive/internal/Escapes.h>
#include <mox/core/internal/Compiler.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The bytes of [at, end) that are one of `Stops`, handed to `visit` in order while it returns
// true; returns the one it refused, or `end`. Sixteen bytes are looked at in one step where SSE2
// is there, since the runs between the bytes the reader looks at are most of its input.
template <char... Stops, class Visit>
MOX_ALWAYS_INLINE const char* EachStop(const char* at, const char* end, Visit visit) {
#if defined(__SSE2__)
    for (; end - at >= 16; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(Stops)))), ...);
        for (unsigned mask = _mm_movemask_epi8(hits); mask != 0; mask &= mask - 1)
            if (!visit(at + __builtin_ctz(mask))) return at + __builtin_ctz(mask);
    }
#endif
    for (; at != end; ++at)
        if (((*at == Stops) || ...) && !visit(at)) return at;
    return end;
}

// The first byte of [at, end) that is one of `Stops`, or `end`.
template <char... Stops> const char* FindFirst(const char* at, const char* end) {
    return EachStop<Stops...>(at, end, [](const char*) { return false; });
}

inline bool IsTokenSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr std::ptrdiff_t kMaxTokenChars = CmoxArchive::kMaxTokenChars;

// The slow ways, a character at a time: tokens that cross the end of the span, hold escapes or
// are comments.
template <class Scanner> void ReadQuoted(std::string& token, Scanner& scan) {
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

template <class Scanner> void ReadBare(std::string& token, Scanner& scan) {
    // Up to the next space or the end, at most kMaxTokenChars characters. The character after
    // the token is looked at (which flags the end when there is none).
    while (scan.Refill() && token.size() < static_cast<std::size_t>(kMaxTokenChars) &&
           !IsTokenSpace(*scan.Begin())) {
        token += *scan.Begin();
        scan.Consume(scan.Begin() + 1);
    }
}

// The next token of `scan`: a view into the scanner's span when the token lies whole in it and
// holds no escape, else into `token`. Lines are counted in `*line` unless it is null.
template <class Scanner> std::string_view ReadToken(Scanner& scan, std::string& token, int* line) {
    // A comment line is skipped up to its LF, but never more than this many characters at once.
    constexpr int kMaxCommentSkip = 1000;
    for (;;) {
        // The spaces before the token are consumed with it, in one step, when it lies whole in
        // the span; most tokens do, and are handed out as a view of it, without a copy.
        const char* begin;
        for (;;) {
            if (!scan.Refill()) return {};
            for (begin = scan.Begin(); begin != scan.End() && IsTokenSpace(*begin); ++begin)
                if (*begin == '\n' && line != nullptr) ++*line;
            if (begin != scan.End()) break;
            scan.Consume(begin);
        }
        const char* const limit = begin + std::min(scan.End() - begin, kMaxTokenChars);
        const bool quoted = *begin == '"';
        const char* at = begin + (quoted ? 1 : 0);
        if (quoted) {
            at = FindFirst<'"', '\\'>(at, limit);
            if (at != limit && *at == '"') {
                scan.Consume(at + 1);
                return {begin + 1, static_cast<std::size_t>(at - begin - 1)};
            }
            scan.Consume(begin);
            token.clear();
            ReadQuoted(token, scan);
            return token;
        }
        at = FindFirst<' ', '\t', '\r', '\n'>(at, limit);
        const bool comment = at - begin >= 2 && begin[0] == '/' && begin[1] == '/';
        if (at != scan.End() && !comment) {
            scan.Consume(at);
            return {begin, static_cast<std::size_t>(at - begin)};
        }
        scan.Consume(begin);
        token.clear();
        ReadBare(token, scan);
        if (token.size() < 2 || token[0] != '/' || token[1] != '/') return token;

        // A comment: the rest of its line goes, then reading starts over.
        for (int i = 0; i < kMaxCommentSkip; ++i) {
            const int ch = scan.Get();
            if (ch == Scanner::kEnd || ch == '\n') break;
        }
        if (line != nullptr) ++*line;
        if (scan.StreamFailed()) return {};
    }
}

} // namespace mox::detail
