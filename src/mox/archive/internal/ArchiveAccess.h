#pragma once
// The library's own record code and the archive's buffers: value records are composed in memory
// and written with one stream call, and value blocks are parsed from the archive's block text
// without a string stream. What reaches the file, and what a restore reads, are exactly what the
// public token and block operations write and read.

#include <mox/archive/CmoxArchive.h>

#include <string>

class CmoxCell;

namespace mox::detail {

// Appends `text` as a quoted token: quotes around it, the archive's escapes inside. Stops at the
// first NUL, as the token writers do. A text that the reader could not take back whole (longer
// than CmoxArchive::kMaxQuotedChars once escaped) appends nothing and gives false; the caller
// then calls ArchiveAccess::RefuseLongToken.
bool AppendQuotedToken(std::string& out, const char* text);

class ArchiveAccess {
  public:
    // The archive's record buffer, emptied: compose a record in it, then WriteComposed.
    static std::string& RecordBuffer(CmoxArchive& archive) {
        archive.m_recordText.clear();
        return archive.m_recordText;
    }
    // Writes `text` to the current stream in one call, or nothing unless that stream exists and
    // is good (what each token writer checks).
    static void WriteComposed(CmoxArchive& archive, const std::string& text);
    // Refuses a record whose token is too long to read back: fails the current stream, so that
    // nothing more is written (WriteComposed included), and reports it.
    static void RefuseLongToken(CmoxArchive& archive);
    // AppendQuotedToken for a record of `archive`: a text too long is refused.
    static void AppendQuoted(CmoxArchive& archive, std::string& out, const char* text) {
        if (!AppendQuotedToken(out, text)) RefuseLongToken(archive);
    }
    // Appends the record frame of `cell` as CmoxCell::Save writes it: class name, quoted name,
    // quoted user-name field, each followed by a space. A name too long is refused.
    static void AppendFrame(CmoxArchive& archive, CmoxCell& cell, std::string& out);
    // WriteNewLine followed by WriteIndent, in one stream call when the indentation is usual.
    static void WriteNewLineAndIndent(CmoxArchive& archive);

    // Reads the next value block from the current stream like ReadBlock; [begin, end) is its
    // text after the first "{", valid until the archive reads again.
    static MoxRestoreError ReadBlockText(CmoxArchive& archive, const char*& begin,
                                         const char*& end);
    // The next token of [at, end), as ReadToken reads it from a block stream; `at` moves past it.
    static std::string& ReadToken(CmoxArchive& archive, const char*& at, const char* end);
};

} // namespace mox::detail
