// CmoxArchive: the reader (tokenizer, block reader and skipper, binary blocks) and the restore
// driver.
#include <mox/archive/CmoxArchive.h>

#include <mox/archive/internal/LookAhead.h>

#include <mox/archive/internal/InputScanner.h>
#include <mox/archive/internal/TokenReader.h>
#include <mox/core/CmoxCell.h>
#include <mox/core/internal/Compiler.h>
#include <mox/propagation/Cmox.h>

#include <istream>
#include <sstream>

using mox::detail::InputScanner;
using mox::detail::RangeScanner;

namespace {

constexpr int kEnd = InputScanner::kEnd;

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// A brace of block text outside comments and escapes: "{" opens a level, "}" closes one.
inline void CountBrace(int c, int& depth, bool& seenBrace) {
    if (c == '{') {
        seenBrace = true;
        ++depth;
    } else if (c == '}') {
        seenBrace = true;
        --depth;
    }
}

MoxRestoreError DepthResult(int depth) {
    if (depth > 0) return MOX_RESTORE_BAD_FORMAT;
    if (depth < 0) return MOX_RESTORE_UNEXPECTED_END;
    return MOX_RESTORE_OK;
}

} // namespace

MOX_FLATTEN std::string_view CmoxArchive::ReadTokenView() {
    if (m_current == nullptr) return {};
    InputScanner scan(*m_current);
    return mox::detail::ReadToken(scan, m_token, &m_line);
}

std::string& CmoxArchive::ReadToken() {
    return KeepToken(ReadTokenView());
}

std::string& CmoxArchive::ReadToken(std::istream& in) {
    InputScanner scan(in);
    return KeepToken(mox::detail::ReadToken(scan, m_token, IsCurrent(in) ? &m_line : nullptr));
}

std::string& CmoxArchive::KeepToken(std::string_view token) {
    if (token.data() != m_token.data()) m_token.assign(token.data(), token.size());
    return m_token;
}

MoxRestoreError CmoxArchive::ReadBlock(std::stringstream& block) {
    if (m_current == nullptr) {
        block.str(std::string());
        block.clear();
        return MOX_RESTORE_OK;
    }
    return ReadBlock(block, *m_current);
}

MoxRestoreError CmoxArchive::ReadBlock(std::stringstream& block, std::istream& in) {
    const char *begin = nullptr, *body = nullptr, *end = nullptr;
    const MoxRestoreError result = ReadBlockText(in, begin, body, end);
    // Replaced rather than overwritten in place, so nothing of an earlier, longer block is left
    // behind its end.
    block.str(std::string(begin, end));
    block.clear();
    block.rdbuf()->pubseekpos(body - begin, std::ios::in);
    return result;
}

MOX_FLATTEN MoxRestoreError CmoxArchive::ReadBlock(const char*& begin, const char*& end) {
    // No current stream reads as an empty block, as the stream form does.
    const char* text = nullptr;
    begin = end = nullptr;
    return m_current != nullptr ? ReadBlockText(*m_current, text, begin, end) : MOX_RESTORE_OK;
}

namespace {

// A block that ends on the line where it starts, read in place: true, with [begin, end) the
// bytes up to that line's LF and `body` just after its first "{", when the line lies whole in
// the stream's buffer, its braces balance and it holds no comment and no surplus "}". False,
// having consumed nothing, otherwise.
bool InPlaceBlock(InputScanner& scan, const char*& begin, const char*& body, const char*& end) {
    if (!scan.Refill()) return false;
    int depth = 0;
    bool seenBrace = false;
    const char* brace = nullptr;   // the first "{", escaped or not
    const char* escaped = nullptr; // the character after a backslash, taken without a look
    const char* const last = scan.End();
    // Only line ends, escapes, slashes and braces matter; the scan stops at the LF or a fault.
    end = mox::detail::EachStop<'\n', '\\', '/', '{', '}'>(scan.Begin(), last, [&](const char* at) {
        const char c = *at;
        if (c == '{' && brace == nullptr) brace = at;
        if (at == escaped) return true;
        if (c == '\\') {
            escaped = at + 1;
            return escaped != last && *escaped != '\n';
        }
        if (c == '/') return at + 1 != last && at[1] != '/';
        CountBrace(c, depth, seenBrace);
        return c != '\n' && depth >= 0;
    });
    if (end == last || *end != '\n' || !seenBrace || depth != 0) return false;
    begin = scan.Begin();
    body = brace + 1;
    scan.Consume(end);
    return true;
}

} // namespace

MoxRestoreError CmoxArchive::ReadBlockText(std::istream& in, const char*& begin, const char*& body,
                                           const char*& end) {
    InputScanner scan(in);
    if (InPlaceBlock(scan, begin, body, end)) return MOX_RESTORE_OK;
    const bool counting = IsCurrent(in);
    std::string& text = m_blockText;
    text.clear();
    int depth = 0;
    bool seenBrace = false;
    for (;;) {
        // One line, up to (not including) its LF. Braces are counted as they are copied; an
        // escaped character is not looked at; "//" drops itself and the rest of the line; after
        // a surplus "}" the rest of the line is copied without a look.
        bool escaped = false;
        bool slash = false;
        bool comment = false;
        int c;
        while ((c = scan.Peek()) != kEnd && c != '\n') {
            scan.Skip();
            if (comment) continue;
            text += static_cast<char>(c);
            if (depth < 0 || escaped) {
                escaped = slash = false;
                continue;
            }
            if (c == '\\') {
                escaped = true;
            } else if (c == '/' && slash) {
                text.resize(text.size() - 2);
                comment = true;
            } else {
                CountBrace(c, depth, seenBrace);
            }
            slash = c == '/' && !comment;
        }
        if (seenBrace && depth == 0) break; // the LF stays in the input
        if (c != '\n') break;
        scan.Skip();
        if (counting) ++m_line;
        if (depth < 0) break;
    }
    begin = text.data();
    end = begin + text.size();
    // Just after the first "{", escaped or not; the end when there is none.
    body = mox::detail::FindFirst<'{'>(begin, end);
    body += body != end ? 1 : 0;
    return DepthResult(depth);
}

MoxRestoreError CmoxArchive::SkipOverBlock() {
    return m_current != nullptr ? SkipOverBlock(*m_current) : MOX_RESTORE_OK;
}

MoxRestoreError CmoxArchive::SkipOverBlock(std::istream& in) {
    int depth = 0;
    bool seenBrace = false;
    bool comment = false;
    bool slash = false;
    InputScanner scan(in);
    while (!(seenBrace && depth <= 0)) {
        const int c = scan.Get();
        if (c == kEnd) break;
        if (c == '\n') {
            // Counted whatever the stream: the skipper is only used on the archive's own.
            ++m_line;
            comment = slash = false;
        } else if (c == '\\') {
            if (scan.Get() == kEnd) break;
            slash = false;
        } else if (comment) {
            // braces in a comment do not count
        } else if (c == '/') {
            comment = slash;
            slash = !slash;
        } else {
            slash = false;
            CountBrace(c, depth, seenBrace);
        }
    }
    return DepthResult(depth);
}

namespace {

// Whether `count` bytes from the read position would run past the end of `in`. Asked only of a
// stream that can seek; one that cannot (a pipe) is trusted until its bytes are read.
bool RunsPastEnd(std::istream& in, long long count) {
    std::streambuf* buf = in.rdbuf();
    const std::streamoff here = buf->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here < 0) return false;
    const std::streamoff end = buf->pubseekoff(0, std::ios::end, std::ios::in);
    buf->pubseekpos(here, std::ios::in);
    return end >= 0 && count > end - here;
}

} // namespace

__int64 CmoxArchive::ReadBinaryBlockHeader() {
    const __int64 count = ReadBinaryCount();
    // The count is returned as read; one that the input cannot hold is flagged, so that a caller
    // can tell before it reads "that many bytes".
    if (count > 0 && RunsPastEnd(*m_current, count))
        FlagRestoreError(MOX_RESTORE_UNEXPECTED_END, nullptr);
    return count;
}

__int64 CmoxArchive::ReadBinaryCount() {
    if (m_current == nullptr) return 0;
    InputScanner scan(*m_current);
    int c = scan.Get();
    while (c == ' ')
        c = scan.Get();
    if (c != '#') return 0;
    const int digits = HexValue(scan.Get());
    if (digits == 0 && scan.Peek() == '0') scan.Skip();

    char text[16];
    int length = 0;
    while (length < digits) {
        const int ch = scan.Get();
        if (ch == kEnd) break;
        text[length++] = static_cast<char>(ch);
    }
    // Converted as a decimal integer: leading blanks and a sign are accepted, reading stops at
    // the first non-digit. At most 15 digits, so the value cannot overflow. A negative count
    // cannot come from the writer; it is taken as no block.
    int i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    __int64 value = 0;
    while (i < length && text[i] >= '0' && text[i] <= '9')
        value = value * 10 + (text[i++] - '0');
    return negative ? 0 : value;
}

int CmoxArchive::ReadBinaryBlock() {
    if (m_current == nullptr) return 0;
    {
        InputScanner scan(*m_current);
        int c = scan.Peek();
        while (c == ' ') {
            scan.Skip();
            c = scan.Peek();
        }
        if (c != '#') return 0;
    }
    const __int64 count = ReadBinaryCount();
    if (count > 0 && m_current->good()) {
        // Seek where the stream can; a stream that cannot (a pipe) has the bytes read and
        // dropped, and shows only then whether they were all there. A block cut short ends the
        // input and is no block.
        bool whole = !RunsPastEnd(*m_current, count);
        if (!whole) {
            m_current->rdbuf()->pubseekoff(0, std::ios::end, std::ios::in);
        } else if (m_current->rdbuf()->pubseekoff(static_cast<std::streamoff>(count), std::ios::cur,
                                                  std::ios::in) ==
                   std::streampos(std::streamoff(-1))) {
            whole = m_current->ignore(count).gcount() == count;
        }
        if (!whole) {
            FlagRestoreError(MOX_RESTORE_UNEXPECTED_END, nullptr);
            m_current->setstate(std::ios::eofbit | std::ios::failbit);
            return 0;
        }
    }
    return 1;
}

// ---- value blocks in memory ----------------------------------------------------------------

std::string_view CmoxArchive::ReadTokenView(const char*& at, const char* end) {
    RangeScanner scan(at, end);
    const std::string_view token = mox::detail::ReadToken(scan, m_token, nullptr);
    at = scan.Begin();
    return token;
}

// ---- restore driver ------------------------------------------------------------------------

int CmoxArchive::Restore(CmoxCell* cell) {
    if (CheckStatus(MOX_ARCHIVE_READ) == 0 || cell == nullptr) return 0;
    Cmox& engine = Cmox::Current();
    const int transactions = engine.TransactionLevel();
    const int subTransactions = engine.SubTransactionLevel();
    int result = 1;
    try {
        cell->Restore(*this);
    } catch (MoxRestoreError) {
        // The code was flagged by the cell; what it had restored stays. Sub-transactions first:
        // they nest inside the transactions that were opened around them.
        while (engine.SubTransactionLevel() > subTransactions)
            engine.EndSubTransaction();
        while (engine.TransactionLevel() > transactions)
            engine.EndTransaction();
        result = 0;
    }
    // One failed restore must not block the next.
    if (m_current != nullptr) m_current->clear();
    return result;
}

int CmoxArchive::RestoreLookAhead(CmoxCell* cell, const char* name) {
    if (CheckStatus(MOX_ARCHIVE_READ) == 0 || cell == nullptr || name == nullptr) return 0;
    std::iostream* stream = m_current;
    const LookAhead rewind(*this); // the stream, line and indentation go back on every way out
    if (!rewind.Positioned()) return 0;

    const std::string target(name);
    bool found = false;
    int counter = -1;
    for (;;) {
        const std::string& token = ReadToken(*stream);
        // The empty token with a flag set is the end of the input (or a failed stream, which
        // would otherwise give empty tokens forever).
        if (token.empty() && stream->rdstate() != std::ios::goodbit) break;
        if (token.size() == 1 && token[0] == MOX_BLOCK_START) {
            if (counter == -1) {
                counter = 1;
                continue;
            }
            ++counter;
        } else if (token.size() == 1 && token[0] == MOX_BLOCK_END) {
            --counter;
        } else if (token == target) {
            found = true;
            break;
        }
        if (counter == 0 || (stream->rdstate() & std::ios::eofbit) != 0) break;
    }
    if (!found) return 0;
    cell->RestoreUserName(*this);
    return Restore(cell);
}
