// The tool's own archive reader. It follows the library's reading rules (token limit, comments,
// escapes, block skipping, binary headers, record walk) so that what it reports is what the
// library would see, but it streams: nothing is kept beyond the open collections' path.
#include "ArchiveReader.h"

#include <mox/archive/CmoxArchive.h>
#include <mox/archive/internal/Escapes.h>

#include <cstring>

namespace moxarchive {

const int ArchiveReader::kMaxDepth = CmoxArchive::kMaxSearchDepth;

namespace {

constexpr std::ptrdiff_t kMaxTokenChars = 10000; // the library reader's limit
constexpr int kMaxCommentSkip = 1000;            // the library skips no more of a comment line

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// FNV-1a, enough to tell changed values apart in a diff without keeping them.
constexpr std::uint64_t kHashStart = 14695981039346656037ull;
inline std::uint64_t Hash(std::uint64_t hash, const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
    }
    return hash;
}

// A one-character token; cheaper than comparing with a string literal, and tokens are compared
// several times each.
// The characters that the block scan must look at.
inline bool IsBlockChar(char c) {
    return c == '\n' || c == '\\' || c == '/' || c == '{' || c == '}';
}

inline bool Is(const std::string& token, char c) {
    return token.size() == 1 && token[0] == c;
}

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

} // namespace

// ---- bytes ----------------------------------------------------------------------------------

ByteSource::ByteSource(std::FILE* file)
    : m_file(file), m_buffer(new char[kBufferSize]), m_at(m_buffer.get()), m_end(m_buffer.get()) {
    const long long at = std::ftell(file);
    m_base = at < 0 ? 0 : at;
}

bool ByteSource::Fill() {
    m_base += m_end - m_buffer.get();
    const std::size_t got = std::fread(m_buffer.get(), 1, kBufferSize, m_file);
    m_at = m_buffer.get();
    m_end = m_at + got;
    return got != 0;
}

long long ByteSource::Skip(long long count,
                           const std::function<void(const char*, std::size_t)>& sink) {
    long long done = 0;
    while (done < count) {
        const char* at = Begin();
        if (at == m_end) break;
        const long long held = m_end - at;
        const std::size_t take =
            static_cast<std::size_t>(held < count - done ? held : count - done);
        if (sink) sink(at, take);
        m_at = at + take;
        done += static_cast<long long>(take);
    }
    return done;
}

bool ByteSource::Seek(long long offset) {
    if (std::fseek(m_file, offset, SEEK_SET) != 0) return false;
    m_base = offset;
    m_at = m_end = m_buffer.get();
    return true;
}

// ---- tokens ---------------------------------------------------------------------------------

bool ArchiveReader::Fail(int line, const char* kind, const std::string& token) {
    m_error = Problem{line, kind, token};
    return false;
}

void ArchiveReader::Warn(int line, const char* kind, const std::string& token) {
    if (m_warn) m_warn(Problem{line, kind, token});
}

void ArchiveReader::SkipComment() {
    for (int i = 0; i < kMaxCommentSkip; ++i) {
        const int c = m_in.Get();
        if (c == ByteSource::kEnd) return;
        if (c == '\n') {
            ++m_line;
            return;
        }
    }
    if (m_in.Peek() != ByteSource::kEnd) {
        Warn(m_line, "comment line longer than 1,000 characters: the rest is read as tokens", "");
    }
}

bool ArchiveReader::ReadToken(Token& token) {
    token.text.clear();
    token.quoted = false;
    for (;;) {
        // Whitespace, counting lines, a buffer span at a time.
        for (;;) {
            const char* at = m_in.Begin();
            const char* const end = m_in.End();
            if (at == end) {
                token.line = m_line;
                token.offset = m_in.Offset();
                return false;
            }
            while (at != end && IsSpace(*at)) {
                if (*at == '\n') ++m_line;
                ++at;
            }
            m_in.Consume(at);
            if (at != end) break;
        }
        token.line = m_line;
        token.offset = m_in.Offset();

        if (m_in.Peek() == '"') {
            // The opening quote and both characters of an escape count toward the limit.
            m_in.Get();
            token.quoted = true;
            std::ptrdiff_t consumed = 1;
            bool closed = false;
            while (consumed < kMaxTokenChars) {
                const char* const begin = m_in.Begin();
                const char* const end = m_in.End();
                if (begin == end) break;
                const char* const limit =
                    begin + std::min<std::ptrdiff_t>(end - begin, kMaxTokenChars - consumed);
                const char* at = begin;
                while (at != limit && *at != '"' && *at != '\\') {
                    if (*at == '\n') ++m_line;
                    ++at;
                }
                token.text.append(begin, static_cast<std::size_t>(at - begin));
                consumed += at - begin;
                m_in.Consume(at);
                if (at == limit) continue;
                m_in.Get();
                ++consumed;
                if (*at == '"') {
                    closed = true;
                    break;
                }
                int c = m_in.Get();
                if (c == ByteSource::kEnd) break;
                ++consumed;
                if (c == '\n') ++m_line; // an escaped line feed is still a line
                token.text += static_cast<char>(mox::detail::Unescaped(c));
            }
            if (!closed) {
                if (consumed >= kMaxTokenChars) {
                    Warn(token.line, "quoted token cut at 10,000 characters", token.text);
                } else {
                    Fail(token.line, "input ends inside a quoted token", token.text);
                }
            }
            return true;
        }

        // Bare: up to the next whitespace, at most kMaxTokenChars characters.
        std::ptrdiff_t taken = 0;
        for (;;) {
            const char* const begin = m_in.Begin();
            const char* const end = m_in.End();
            if (begin == end) break;
            const char* const limit =
                begin + std::min<std::ptrdiff_t>(end - begin, kMaxTokenChars - taken);
            const char* at = begin;
            while (at != limit && !IsSpace(*at))
                ++at;
            token.text.append(begin, static_cast<std::size_t>(at - begin));
            taken += at - begin;
            m_in.Consume(at);
            if (at != end || taken >= kMaxTokenChars) break;
        }
        if (taken >= kMaxTokenChars) {
            const int next = m_in.Peek();
            if (next != ByteSource::kEnd && !IsSpace(static_cast<char>(next))) {
                Warn(token.line, "token cut at 10,000 characters", token.text.substr(0, 40));
            }
        }
        if (token.text.size() < 2 || token.text[0] != '/' || token.text[1] != '/') return true;
        SkipComment();
        token.text.clear();
        if (m_in.Peek() == ByteSource::kEnd) {
            token.line = m_line;
            token.offset = m_in.Offset();
            return false;
        }
    }
}

// ---- records --------------------------------------------------------------------------------

std::string Record::UserName() const {
    // As the library reads it: the field without its first and last character.
    return userField.size() < 2 ? std::string() : userField.substr(1, userField.size() - 2);
}

bool ArchiveReader::ReadPreamble() {
    if (!ReadToken(m_token) || m_token.text != "PREAMBLE") {
        return Fail(m_token.line, "missing \"PREAMBLE\" at the start", m_token.text);
    }
    return !Failed();
}

bool ArchiveReader::Next(Record& record) {
    if (Failed()) return false;
    for (;;) {
        Token& token = m_token;
        bool more = true;
        if (m_pending) {
            token = m_next;
            m_pending = false;
        } else {
            more = ReadToken(token);
        }
        if (Failed()) return false;
        if (m_lastLine != 0 && more && token.line == m_lastLine) {
            // The restore's block reader takes a value block's whole line: this is dropped.
            Warn(token.line, "text after a value block on its line is dropped when restored",
                 token.text);
        }
        m_lastLine = 0;
        if (!more) {
            if (!m_levels.empty())
                return Fail(token.line, "input ends inside a collection", m_path);
            return false;
        }
        if (Is(token.text, '}')) {
            if (m_levels.empty()) return Fail(token.line, "\"}\" without a collection", token.text);
            m_path.resize(m_levels.back());
            m_levels.pop_back();
            m_closeOffset = token.offset + 1;
            if (m_levels.size() < m_stopLevel) return false;
            continue;
        }
        if (Is(token.text, '{') || Is(token.text, '=') || Is(token.text, '*')) {
            return Fail(token.line, "class name expected", token.text);
        }

        record.className.swap(token.text);
        record.line = token.line;
        record.offset = token.offset;
        record.depth = static_cast<int>(m_levels.size()) + 1;
        if (!ReadToken(token)) {
            return Failed()
                       ? false
                       : Fail(record.line, "input ends inside a record frame", record.className);
        }
        record.name.swap(token.text);
        record.path.assign(m_path).append(1, '\\').append(record.name);
        if (!ReadToken(token)) {
            return Failed() ? false
                            : Fail(record.line, "input ends inside a record frame", record.name);
        }
        record.userField.swap(token.text);
        if (record.userField.size() < 2 || record.userField.front() != '$' ||
            record.userField.back() != '$') {
            Warn(token.line, "user-name field not enclosed in \"$\"", record.userField);
        }
        return ReadBody(record, token.line);
    }
}

bool ArchiveReader::ReadBody(Record& record, int frameLine) {
    record.kind = BodyKind::None;
    record.value.clear();
    record.valueSize = 0;
    record.bodyHash = kHashStart;
    record.binaryBytes = 0;
    bool warned = false;
    for (;;) {
        Token& token = m_token;
        if (!ReadToken(token)) {
            return Failed() ? false
                            : Fail(record.line, "input ends before a record's body", record.name);
        }
        if (Failed()) return false;
        if (token.line != frameLine && !warned) {
            // Search passes over tokens up to the next body: a record without one takes the
            // next record's frame as its own.
            warned = true;
            Warn(record.line, "record body does not follow its frame on its line", record.name);
        }
        if (Is(token.text, '=')) {
            return ReadBinaryBlock(record); // or a value block when no "#" follows
        }
        if (Is(token.text, '*')) {
            record.kind = BodyKind::Reference;
            record.end = token.offset + 1;
            return true;
        }
        if (Is(token.text, '}')) {
            // A record of the frame alone that ends its collection: the "}" is the collection's.
            m_next = token;
            m_pending = true;
            record.end = token.offset;
            return true;
        }
        if (Is(token.text, '{')) {
            if (static_cast<int>(m_levels.size()) >= kMaxDepth) {
                return Fail(token.line, "records nested too deeply", record.name);
            }
            record.kind = BodyKind::Collection;
            record.end = token.offset + 1;
            m_levels.push_back(m_path.size());
            m_path = record.path;
            return true;
        }
    }
}

bool ArchiveReader::ReadBinaryBlock(Record& record) {
    // Spaces, then "#": a binary block; anything else is a value block.
    int c = m_in.Peek();
    while (c == ' ') {
        m_in.Get();
        c = m_in.Peek();
    }
    if (c != '#') return ReadValueBlock(record);
    const int line = m_line;
    m_in.Get();
    const int digits = HexValue(m_in.Get());
    if (digits == 0 && m_in.Peek() == '0') m_in.Get();
    long long count = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = m_in.Get();
        if (d < '0' || d > '9') {
            return Fail(line, "bad binary block header", std::string(1, static_cast<char>(d)));
        }
        count = count * 10 + (d - '0');
    }
    record.kind = BodyKind::Binary;
    record.binaryBytes = count;
    std::uint64_t hash = kHashStart;
    const long long got = m_in.Skip(
        count, [&hash](const char* bytes, std::size_t n) { hash = Hash(hash, bytes, n); });
    record.bodyHash = hash;
    record.end = m_in.Offset();
    if (got < count) {
        return Fail(line, "binary block runs past the end of the file",
                    "#" + std::to_string(count));
    }
    return true;
}

bool ArchiveReader::ReadValueBlock(Record& record) {
    // As the library's block skipper: braces counted outside escapes and "//" comments, up to
    // the brace that balances the first. The text between them is the value. The buffer is
    // scanned a span at a time; the value is kept (up to kMaxValueKept) and hashed per span.
    record.kind = BodyKind::Value;
    const int startLine = m_line;
    int depth = 0;
    bool seenBrace = false;
    bool escaped = false;
    bool slash = false;
    bool comment = false;
    bool done = false;
    std::uint64_t hash = kHashStart;
    while (!done) {
        const char* const begin = m_in.Begin();
        const char* const end = m_in.End();
        if (begin == end) break;
        const char* from = seenBrace ? begin : end; // start of value text in this span
        const char* at = begin;
        for (; at != end; ++at) {
            const char ch = *at;
            if (!escaped && !comment && !IsBlockChar(ch)) {
                slash = false;
                continue;
            }
            if (ch == '\n') {
                ++m_line;
                comment = false;
            }
            if (escaped) {
                escaped = false;
                slash = false;
                continue;
            }
            if (comment) continue;
            if (ch == '\\') {
                escaped = true;
            } else if (ch == '/') {
                comment = slash;
                slash = !slash;
                continue;
            } else if (ch == '{' || ch == '}') {
                depth += ch == '{' ? 1 : -1;
                if (!seenBrace) {
                    seenBrace = true;
                    from = at + 1; // the opening brace is not part of the value
                }
                if (depth <= 0) {
                    done = true;
                    break;
                }
            }
            slash = false;
        }
        if (from < at) {
            const std::size_t count = static_cast<std::size_t>(at - from);
            hash = Hash(hash, from, count);
            record.valueSize += static_cast<long long>(count);
            if (record.value.size() < kMaxValueKept) {
                record.value.append(from, std::min(count, kMaxValueKept - record.value.size()));
            }
        }
        m_in.Consume(done ? at + 1 : at);
    }
    record.bodyHash = hash;
    record.end = m_in.Offset();
    // Shown without the spaces around it.
    const std::size_t last = record.value.find_last_not_of(" \t\r\n");
    record.value.erase(last == std::string::npos ? 0 : last + 1);
    record.value.erase(0, record.value.find_first_not_of(" \t\r\n"));
    if (depth > 0 || !seenBrace) {
        return Fail(startLine, "input ends inside a value block", record.name);
    }
    if (depth < 0) return Fail(startLine, "\"}\" closes more blocks than were opened", "}");
    if (m_line != startLine) {
        Warn(startLine, "value block runs on past its line", "to line " + std::to_string(m_line));
    }
    m_lastLine = m_line;
    return true;
}

bool ArchiveReader::ReadRecord(Record& record) {
    if (!Next(record)) return false;
    if (record.kind != BodyKind::Collection) return true;
    // Walk the children up to the collection's own "}".
    m_stopLevel = m_levels.size();
    Record child;
    while (Next(child)) {
    }
    m_stopLevel = 0;
    if (Failed()) return false;
    record.end = m_closeOffset;
    return true;
}

// ---- helpers --------------------------------------------------------------------------------

std::unique_ptr<std::FILE, int (*)(std::FILE*)> OpenFile(const std::string& path) {
    return {std::fopen(path.c_str(), "rb"), &std::fclose};
}

std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace moxarchive
