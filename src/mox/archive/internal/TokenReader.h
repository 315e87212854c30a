#pragma once
// The archive's tokenizer, written once for any character source: the archive's streams
// (InputScanner) and the text of a value block already in memory (RangeScanner).

#include <mox/archive/CmoxArchive.h>

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

// Collects a token's characters in a small local buffer and appends them to the token in
// pieces, which is cheaper than growing the string one character at a time.
class TokenChunk {
  public:
    explicit TokenChunk(std::string& token) : m_token(token) {}
    ~TokenChunk() { Flush(); }
    TokenChunk(const TokenChunk&) = delete;
    TokenChunk& operator=(const TokenChunk&) = delete;
    void Add(char c) {
        if (m_used == sizeof(m_chunk)) Flush();
        m_chunk[m_used++] = c;
    }
    void Flush() {
        m_token.append(m_chunk, m_used);
        m_used = 0;
    }

  private:
    std::string& m_token;
    char m_chunk[64];
    std::size_t m_used = 0;
};

template <class Scanner> class TokenReader {
  public:
    // The next token of `scan` in the archive's token buffer; lines are counted when `counting`.
    static std::string& Read(CmoxArchive& archive, Scanner& scan, bool counting);
};

inline bool IsTokenSpace(int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

template <class Scanner>
std::string& TokenReader<Scanner>::Read(CmoxArchive& archive, Scanner& scan, bool counting) {
    constexpr int kEnd = Scanner::kEnd;
    // A comment line is skipped up to its LF, but never more than this many characters at once.
    constexpr int kMaxCommentSkip = 1000;
    constexpr int kMaxTokenChars = CmoxArchive::kMaxTokenChars;
    std::string& token = archive.m_token;
    token.clear();
    for (;;) {
        int c = scan.Peek();
        while (IsTokenSpace(c)) {
            if (c == '\n' && counting) ++archive.m_line;
            c = scan.Advance();
        }
        if (c == kEnd) return token;

        if (c == '"') {
            // Quoted: the opening quote and both characters of an escape count toward the
            // limit. An escape is never split, so a token may stop one character past it.
            scan.Skip();
            TokenChunk chunk(token);
            int consumed = 1;
            while (consumed < kMaxTokenChars) {
                int ch = scan.Get();
                if (ch == kEnd) break;
                ++consumed;
                if (ch == '"') break;
                if (ch == '\\') {
                    ch = scan.Get();
                    if (ch == kEnd) break;
                    ++consumed;
                    switch (ch) {
                    case 'n':
                        ch = '\n';
                        break;
                    case 'r':
                        ch = '\r';
                        break;
                    case 't':
                        ch = '\t';
                        break;
                    case 'b':
                        ch = '\b';
                        break;
                    default:
                        break;
                    }
                }
                chunk.Add(static_cast<char>(ch));
            }
            chunk.Flush();
            return token;
        }

        int taken = 0;
        {
            TokenChunk chunk(token);
            while (taken < kMaxTokenChars && c != kEnd && !IsTokenSpace(c)) {
                chunk.Add(static_cast<char>(c));
                ++taken;
                c = scan.Advance();
            }
        }
        if (token.size() < 2 || token[0] != '/' || token[1] != '/') return token;

        // A comment: the rest of its line goes, then reading starts over.
        for (int i = 0; i < kMaxCommentSkip; ++i) {
            const int ch = scan.Get();
            if (ch == kEnd || ch == '\n') break;
        }
        if (counting) ++archive.m_line;
        token.clear();
        if (scan.StreamFailed()) return token;
    }
}

} // namespace mox::detail
