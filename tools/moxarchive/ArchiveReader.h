#pragma once
// A streaming reader of archive files that needs no cell classes: it walks the records (frame,
// value block, collection, reference, binary block) in file order with memory bounded by the
// nesting depth, and reports what the library's reader would stumble on or read differently.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace moxarchive {

/// The bytes of an open file through one large buffer, with the offset of the next byte.
class ByteSource {
  public:
    static constexpr int kEnd = -1;

    /// Reads `file` (borrowed) from its current position.
    explicit ByteSource(std::FILE* file);

    /// The next byte (0..255) without consuming it, or kEnd.
    int Peek() { return m_at != m_end || Fill() ? static_cast<unsigned char>(*m_at) : kEnd; }
    /// Consumes and returns the next byte, or kEnd.
    int Get() { return m_at != m_end || Fill() ? static_cast<unsigned char>(*m_at++) : kEnd; }
    /// Buffered bytes not yet consumed: [Begin(), End()); empty only at the end of the file.
    const char* Begin() { return m_at != m_end || Fill() ? m_at : m_end; }
    /// End of the buffered bytes.
    const char* End() const { return m_end; }
    /// Consumes the buffered bytes before `to`.
    void Consume(const char* to) { m_at = to; }
    /// Consumes up to `count` bytes, feeding them to `sink` when given; returns how many.
    long long Skip(long long count, const std::function<void(const char*, std::size_t)>& sink);
    /// Offset in the file of the next byte.
    long long Offset() const { return m_base + (m_at - m_buffer.get()); }
    /// Moves to `offset`; false when the file cannot seek there.
    bool Seek(long long offset);

  private:
    bool Fill();

    static constexpr std::size_t kBufferSize = 1 << 20;
    std::FILE* m_file;
    std::unique_ptr<char[]> m_buffer;
    const char* m_at;
    const char* m_end;
    long long m_base = 0; // file offset of m_buffer[0]
};

/// What a record's frame is followed by.
enum class BodyKind {
    None,       ///< the frame alone (a cell without a body of its own)
    Value,      ///< "= { text }"
    Collection, ///< "{" child records "}"
    Reference,  ///< "*"
    Binary      ///< "= #" header and raw bytes
};

/// One record as the reader met it. A collection comes before its children.
struct Record {
    std::string className; ///< class-name token
    std::string name;      ///< name token
    std::string userField; ///< user-name token as written ("$User$", "$$" for none)
    std::string path;      ///< "\Parent\Name"
    int depth = 0;         ///< 1 for a top-level record
    int line = 0;          ///< line of the class name
    long long offset = 0;  ///< file offset of the class name
    long long end = 0;     ///< file offset just past the body (for a collection: past "{")
    BodyKind kind = BodyKind::None;
    std::string value;          ///< value text, trimmed; at most kMaxValueKept bytes
    long long valueSize = 0;    ///< bytes of the whole value text, trimmed
    std::uint64_t bodyHash = 0; ///< hash of the whole value text or of the binary bytes
    long long binaryBytes = 0;  ///< byte count of a binary block

    /// The user name without its "$" delimiters (empty for "$$").
    std::string UserName() const;
    /// The user-name field read as a user name, or the name when `byUser` is false.
    std::string Label(bool byUser) const { return byUser ? UserName() : name; }
};

/// A fault or a doubtful spot, at a line.
struct Problem {
    int line = 0;
    std::string kind;  ///< short description
    std::string token; ///< the offending token (may be empty)
};

/// Walks an archive. Errors stop the walk; warnings are passed to the warning handler (when
/// set) and the walk goes on.
class ArchiveReader {
  public:
    /// Value texts longer than this are kept cut (their size and hash stay exact).
    static constexpr std::size_t kMaxValueKept = 1 << 20;
    /// Deepest record nesting read (the library's record search stops at the same depth).
    static const int kMaxDepth;

    explicit ArchiveReader(ByteSource& source) : m_in(source) {}

    /// Called with every warning as it is found.
    void OnWarning(std::function<void(const Problem&)> handler) { m_warn = std::move(handler); }

    /// Reads the "PREAMBLE" keyword; false (and Error set) when the file does not start with it.
    bool ReadPreamble();
    /// The next record in file order; false at the end of the archive or on an error.
    bool Next(Record& record);
    /// Non-empty kind after a walk stopped on an error.
    const Problem& Error() const { return m_error; }
    /// True when the walk stopped on an error.
    bool Failed() const { return !m_error.kind.empty(); }
    /// The next record and, for a collection, all its children: `record.end` is then just past
    /// its "}". False at the end or on an error.
    bool ReadRecord(Record& record);
    /// Sets the number of the line the reader stands on.
    void SetLine(int line) { m_line = line; }

  private:
    struct Token {
        std::string text;
        bool quoted = false;
        int line = 0;
        long long offset = 0;
    };
    bool ReadToken(Token& token);
    bool ReadBody(Record& record, int frameLine);
    bool ReadValueBlock(Record& record);
    bool ReadBinaryBlock(Record& record);
    bool Fail(int line, const char* kind, const std::string& token);
    void Warn(int line, const char* kind, const std::string& token);
    void SkipComment();

    ByteSource& m_in;
    int m_line = 1;
    int m_lastLine = 0;                // line of the last value block's closing brace
    std::vector<std::size_t> m_levels; // path length of each open collection
    std::string m_path;                // path of the innermost open collection
    std::size_t m_stopLevel = 0;       // Next stops when a "}" leaves fewer collections open
    long long m_closeOffset = 0;       // just past the last collection "}" read
    bool m_pending = false;            // m_next holds a token read ahead
    Token m_next;
    Token m_token;
    Problem m_error;
    std::function<void(const Problem&)> m_warn;
};

/// Opens `path` for reading in binary mode; null (with errno set) when it cannot be opened.
std::unique_ptr<std::FILE, int (*)(std::FILE*)> OpenFile(const std::string& path);

/// The text with control characters shown as escapes, for one-line display.
std::string Printable(const std::string& text);

} // namespace moxarchive
