#pragma once
/// @file
/// CmoxArchive: the text archive in which cell trees are saved and from which they are restored,
/// and CmoxFindSpec, the query of a record search in it.

#include <mox/core/MoxConstants.h>
#include <mox/platform/CObject.h>
#include <mox/platform/types.h>

#include <cstddef>
#include <ctime>
#include <fstream>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CmoxCell;

/// A search query for CmoxArchive::Locate, Contents and the search forms of Restore and
/// RestoreLookAhead. Two kinds:
/// - a find query (path, match, by-user-name) stops at the first record held by the collection at
///   `path` whose name (or user name) equals `match`;
/// - a list query (path, by-user-name, full-path) appends the name (or user name) of every record
///   held by that collection to the match array, in file order.
/// A record's path is its parent's path, a backslash and its name ("\Settings\Gain"); the top
/// level has the empty path. Names and paths are compared exactly and case-sensitively.
/// Ownership: the query owns its strings and its match array; the archive only reads the query
/// and appends to the array. Plain value type; no notification; use on one thread at a time.
class MOX_API CmoxFindSpec {
  public:
    /// A find query: the record named (or user-named) `match` held by the collection at `path`.
    CmoxFindSpec(const char* path, const char* match, int byUserName);
    /// A list query: every record held by the collection at `path`, listed by name (or user
    /// name), each preceded by `path` and a backslash when `fullPath` is non-zero.
    CmoxFindSpec(const char* path, int byUserName, int fullPath);
    /// Frees the strings and the match array.
    ~CmoxFindSpec();

    /// 1 for a find query (stop at the first match), 0 for a list query.
    int FindFirst() const { return m_findFirst; }
    /// The entries a list search appended, in file order (never emptied by the archive).
    std::vector<std::string>& MatchArray() { return m_matchArray; }
    /// The entries a list search appended.
    const std::vector<std::string>& MatchArray() const { return m_matchArray; }

    /// Path of the collection whose records are searched; empty for the top level.
    const std::string& Path() const { return m_path; }
    /// The name or user name looked for; empty for a list query.
    const std::string& Match() const { return m_match; }
    /// Non-zero: user names (without their "$" delimiters) are compared and listed.
    int ByUserName() const { return m_byUserName; }
    /// Non-zero: a list search prefixes each entry with the path and a backslash.
    int FullPath() const { return m_fullPath; }

  private:
    std::string m_path;
    std::string m_match;
    int m_byUserName = 0;
    int m_fullPath = 0;
    int m_findFirst = 1;
    std::vector<std::string> m_matchArray;
};

/// Reads and writes the archive text format: a "PREAMBLE" line, a comment, then one record per
/// saved cell (class name, quoted name, quoted user-name field, then a value block, a braced list
/// of child records, a reference marker or a binary block). Lines end in CR LF; nesting is
/// shown by TABs.
///
/// Ownership: the archive owns the file stream that the file-name form of Open opens, its token
/// buffer and its restore-error list; a stream handed to the stream form of Open is borrowed and
/// never closed by the archive.
/// Lifetime: closed after construction; Open makes it open for reading or writing; Close makes
/// it closed again (it can be opened anew). The restore errors survive Open and Close and are
/// emptied only by ResetErrors.
/// Restoring: a cell's Restore reads its body through ReadToken / ReadBlock; on a fault it calls
/// FlagRestoreError and throws the MoxRestoreError value, which only the restore driver
/// (Restore, RestoreLookAhead) catches; the driver then ends the transactions and
/// sub-transactions of the calling thread's engine that were opened during the restore.
/// Search: Locate, Contents and the search forms of Restore and RestoreLookAhead find records by
/// the path of the collection that holds them (CmoxFindSpec). A read-mode Open with a cache
/// depth above 0 walks the file once and keeps the position of every record nested at most that
/// deep, keyed by its path (the first record of a path wins), so a Locate seeks to the cached
/// record that leads to its target and walks only that record.
/// Hostile input: the reader never reads past its input, every loop consumes input or stops,
/// and the tokenizer, block reader and skipper do not recurse; the nesting depth of a restore
/// is that of the cell tree being restored, never that of the input. A token is at most 10,000
/// characters. The record search does recurse on the input's nesting, so it is bounded: a walk
/// that meets records nested more than kMaxSearchDepth levels below where it started (the top
/// level for Locate, Contents and the cache) takes the file as malformed, stops, flags
/// MOX_RESTORE_BAD_FORMAT once and finds nothing beyond that point.
/// Saving by file name replaces the file as one step: the text goes to a temporary file in the
/// target's directory (symbolic links followed, the old file's permission bits kept), and only a
/// Close after which every write succeeded syncs it and renames it over the target. A save that
/// fails, is refused or dies half-way leaves the old file byte for byte as it was. A device or
/// pipe given by name is written in place. A failure shows as Good() and CheckStatus() 0, as
/// MOX_ARCHIVE_WRITE_FAILED in GetRestoreArray() and as a message in WriteError(); Close
/// returns 0. The destructor closes the same way, so an unclosed failed save keeps the old file
/// too, but only Close can tell the caller.
/// Long tokens: a name, user name or string value is written only when the reader will give it
/// back whole: at most kMaxQuotedChars characters once escaped (an escaped byte counts twice).
/// A longer one is refused: what the Save in progress has not yet handed to the stream (the
/// whole record, unless it is larger than the output buffer) is dropped, the current stream is
/// failed (so Save returns 0 and a save by name keeps the old file), and
/// MOX_ARCHIVE_TOKEN_TOO_LONG is flagged. Text written verbatim is the caller's to keep under
/// kMaxTokenChars per token.
/// Writing: every writer composes its bytes in the archive's output buffer, which is handed to
/// the current stream when the operation returns, or, inside Save, when the outermost Save ends
/// (earlier only when the buffer is full), so a tree is written in a few stream calls. Raw bytes
/// that a cell writes to the stream itself belong after WriteBinaryBlockHeader, which hands on
/// everything before them.
/// Threading: one thread at a time; no lock.
class MOX_API CmoxArchive : public CObject {
  public:
    /// Function that gives the current time for the creation-time line of the stream form.
    typedef std::time_t (*TimeSource)();

    /// A closed archive: no stream, line 1, indent 0, no errors.
    CmoxArchive();
    /// Closes the archive's own file if it is open.
    ~CmoxArchive() override;
    CmoxArchive(const CmoxArchive&) = delete;
    CmoxArchive& operator=(const CmoxArchive&) = delete;

    // ---- opening and closing -------------------------------------------------------------------
    /// Opens the named file for reading or writing (binary); writes or checks the preamble.
    /// Returns 1 on success, 0 otherwise.
    int Open(const char* fileName, MoxArchiveMode mode, int cacheDepth = 0);
    /// Uses the caller's open stream (borrowed); writes or checks the preamble. Returns 1 when
    /// the stream is good afterwards, else 0.
    int Open(std::iostream* stream, MoxArchiveMode mode, int cacheDepth = 0);
    /// Ends the use of the current stream; 0 only when closing the archive's own file failed
    /// (for a save by name: any write, the sync or the replacing of the old file failed).
    int Close();

    // ---- status and accessors ------------------------------------------------------------------
    /// 1 when there is a current stream and none of its error flags is set, else 0.
    int Good() const;
    /// 1 when there is a current stream, `mode` is the mode it was opened in, and it is good.
    int CheckStatus(MoxArchiveMode mode) const;
    /// Why the last save failed or was refused (empty when none did since the last Open).
    const std::string& WriteError() const { return m_writeError; }
    /// The file name given to Open (empty for the stream form and after Close).
    const std::string& FileName() const { return m_fileName; }
    /// The archive's own file stream (used by the file-name form of Open; in write mode it
    /// writes to the temporary file that Close puts in the target's place).
    std::fstream& FileStream() { return m_file; }
    /// The stream every operation reads and writes through, or null when closed.
    std::iostream* CurrentStream() const { return m_current; }
    /// The mode given to Open; 0 after Close.
    int Mode() const { return m_mode; }
    /// The current line number (1 after Open, counted while reading, 0 after Close).
    int Line() const { return m_line; }
    /// The current indentation level, in TABs.
    int Indent() const { return m_indent; }
    /// The cache depth given to Open (0 or less: no position cache).
    int CacheDepth() const { return m_cacheDepth; }
    /// Number of record paths held in the position cache.
    std::size_t CacheSize() const { return m_cache.size(); }

    /// Replaces the clock of the creation-time line (null restores the system clock).
    void SetTimeSource(TimeSource source) { m_timeSource = source; }

    // ---- indentation ---------------------------------------------------------------------------
    /// Adds one to the indentation level.
    void IncrementIndent() { ++m_indent; }
    /// Subtracts one from the indentation level.
    void DecrementIndent() { --m_indent; }
    /// Sets the indentation level (not checked).
    void SetIndent(int indent) { m_indent = indent; }
    /// Writes as many TABs as the indentation level (nothing when it is 0 or below).
    void WriteIndent();

    // ---- writing -------------------------------------------------------------------------------
    /// Writes `text` to `out` verbatim or quoted, then a space if `addSpace`; writes nothing
    /// unless the archive's current stream exists and is good (whatever stream `out` is).
    void WriteToken(const char* text, std::ostream& out, int verbatim, int addSpace);
    /// WriteToken on the current stream.
    void WriteToken(const char* text, int verbatim, int addSpace);
    /// Writes a record's frame as three WriteToken calls would: `className` verbatim, then
    /// `name` and `userNameField` quoted, each followed by a space.
    void WriteFrame(const char* className, const char* name, const char* userNameField);
    /// Writes CR LF.
    void WriteNewLine();
    /// Writes "{".
    void WriteBlockStart();
    /// Writes "}".
    void WriteBlockEnd();
    /// Writes "*" and a space (an element saved by reference).
    void WritePointer();
    /// Writes "= { ", what `block` holds from its read position on, and " }" to `out`.
    void WriteBlock(std::stringstream& block, std::ostream& out);
    /// WriteBlock on the current stream.
    void WriteBlock(std::stringstream& block);
    /// Writes a value block composed in memory: "= { ", `text` (verbatim, or as a quoted token
    /// when `verbatim` is 0) and one space, then " }". Writes what WriteToken would.
    void WriteValueBlock(const char* text, int verbatim);
    /// Writes "= #" + digit count (one hex digit) + byte count; the caller then writes exactly
    /// `byteCount` raw bytes to the stream. Writes nothing for a negative count or one of more
    /// than 15 digits.
    void WriteBinaryBlockHeader(__int64 byteCount);
    /// Writes the cell's record (its virtual Save) and CR LF; 1 when the stream is still good.
    /// 0 without writing unless the archive is open for writing.
    int Save(CmoxCell& cell);

    // ---- reading -------------------------------------------------------------------------------
    /// The next token of `in` (quotes and escapes undone, comments skipped), in the archive's
    /// token buffer, which the next read overwrites; empty at the end of input. Lines are counted
    /// only when `in` is the current stream.
    std::string& ReadToken(std::istream& in);
    /// ReadToken on the current stream (empty when there is none).
    std::string& ReadToken();
    /// ReadToken on the current stream without a copy: a view into the stream's buffer or the
    /// token buffer, valid until the archive reads again.
    std::string_view ReadTokenView();
    /// Copies the next value block of `in` into `block` (its old content replaced) and leaves
    /// `block` positioned just after its first "{". Returns MOX_RESTORE_OK, BAD_FORMAT (input
    /// ended inside the block) or UNEXPECTED_END (a "}" too many).
    MoxRestoreError ReadBlock(std::stringstream& block, std::istream& in);
    /// ReadBlock from the current stream.
    MoxRestoreError ReadBlock(std::stringstream& block);
    /// ReadBlock from the current stream without a string stream: [begin, end) is the block's
    /// text after its first "{" (in place in the stream's buffer when it can be), valid until
    /// the archive reads again.
    MoxRestoreError ReadBlock(const char*& begin, const char*& end);
    /// The next token of the block text [at, end), read as ReadToken reads a block stream; `at`
    /// moves past it. A view into the text or the token buffer, valid until the next read.
    std::string_view ReadTokenView(const char*& at, const char* end);
    /// Consumes the next block of `in` up to its closing brace; same results as ReadBlock.
    MoxRestoreError SkipOverBlock(std::istream& in);
    /// SkipOverBlock on the current stream.
    MoxRestoreError SkipOverBlock();
    /// Reads a binary block header ("#", digit count, byte count) from the current stream and
    /// returns the byte count; 0 when there is none (or for an empty block). The caller then
    /// reads the bytes itself. The count is the file's claim, not a promise: one that runs past
    /// the end of a stream that can seek is flagged as MOX_RESTORE_UNEXPECTED_END (check
    /// CheckRestoreStatus before reading), and one from a pipe cannot be checked in advance. So
    /// read the bytes in pieces of a bounded size, checking gcount() after each, and never
    /// allocate the count at once.
    __int64 ReadBinaryBlockHeader();
    /// Skips a binary block (header and bytes) and returns 1; 0, having consumed only spaces,
    /// when no "#" follows; 0 with MOX_RESTORE_UNEXPECTED_END flagged and the stream failed when
    /// the block runs past the end of the input.
    int ReadBinaryBlock();

    // ---- restore errors ------------------------------------------------------------------------
    /// Appends `code` to the restore errors (`cell` is not kept). Does not throw.
    void FlagRestoreError(MoxRestoreError code, CmoxCell* cell);
    /// Empties the restore errors.
    void ResetErrors() { m_restoreErrors.clear(); }
    /// 1 when no restore error was flagged since the last ResetErrors, else 0.
    int CheckRestoreStatus() const { return m_restoreErrors.empty() ? 1 : 0; }
    /// The restore errors, one MoxRestoreError value per entry, in the order flagged.
    std::vector<unsigned char>& GetRestoreArray() { return m_restoreErrors; }

    // ---- restore driver ------------------------------------------------------------------------
    /// Restores `cell`'s body from the current position (the cell's virtual Restore). Returns 1,
    /// or 0 when the archive is not open for reading or the restore threw a MoxRestoreError; then
    /// the transactions and sub-transactions opened meanwhile are ended. Clears the stream's
    /// error flags in both cases.
    int Restore(CmoxCell* cell);
    /// Looks for the token `name` in the block that opens at the current position, restores
    /// `cell` from the record found there (user name, then body) and moves back to where it
    /// started. Returns the result of Restore, or 0 when the name is not found.
    int RestoreLookAhead(CmoxCell* cell, const char* name);

    // ---- limits --------------------------------------------------------------------------------
    /// Longest token the reader takes in one piece; a longer one is split.
    static const int kMaxTokenChars = 10000;
    /// Longest text a quoted token may hold once escaped: the opening quote and the closing one
    /// must fit in kMaxTokenChars too, or the reader would stop inside the token.
    static const int kMaxQuotedChars = kMaxTokenChars - 2;

    // ---- record search -------------------------------------------------------------------------
    /// Deepest nesting of records, counted from where a walk starts, that a search walks into;
    /// records nested deeper make the walk stop as on a malformed file.
    static const int kMaxSearchDepth = 256;

    /// Positions the stream at the body of the first record that matches the find query (just
    /// after its user-name token) and returns 1; 0 when there is none, the query is a list query
    /// or the archive is not open for reading. With a cache, a record whose cached ancestor is
    /// missing is reported absent without reading the file.
    int Locate(CmoxFindSpec& query);
    /// Appends to the list query's match array an entry for every record held by the collection
    /// at the query's path, in file order (the array is not emptied first). Returns 1 after
    /// walking the whole file, 0 when the archive is not open for reading, the query is a find
    /// query, or the walk stopped at records nested too deeply (the entries found before stay).
    int Contents(CmoxFindSpec& query);
    /// Locates the query's record and restores `cell`'s body from it as Restore(cell) does (the
    /// record's user name is not restored). 0 without calling the cell when there is no match.
    int Restore(CmoxCell* cell, CmoxFindSpec& query);
    /// Searches the records that follow the next two tokens (for instance a collection's "{"
    /// and its first child's class name) as the top level, restores `cell` from the one the
    /// find query matches and moves back to where it started (position, line, indentation).
    /// Returns the result of Restore, or 0 when not found.
    int RestoreLookAhead(CmoxCell* cell, CmoxFindSpec& query);
    /// Clears the stream's error flags, moves it to position 0, sets the line number to 1 and
    /// reads the "PREAMBLE", so that the stream stands before the first record. A stream that
    /// cannot be moved is left failed.
    void ResetFilePointer();

  private:
    // Where the cache found a record path: the stream position just after the record's class
    // name, the line at that position, and whether later records had the same path.
    struct CacheEntry {
        __int64 position = 0;
        int line = 0;
        bool shared = false;
    };
    // How walking one record ended.
    enum SearchStep {
        kSearchGoOn,     // record walked; the next token is the next record's class name or "}"
        kSearchFound,    // a find query matched; the stream stands at the record's body
        kSearchLevelEnd, // the record had no body and the "}" of its collection was read
        kSearchStop      // the input ended, or the walk stopped at too deep a nesting
    };
    struct SearchScope;

    void InitLocate();
    int FindElement(CmoxFindSpec& query, std::string& path);
    SearchStep FindInRecord(CmoxFindSpec& query, std::string& path);
    int MatchNames(CmoxFindSpec& query, std::string& path);
    int WalkFile(CmoxFindSpec& query);
    std::string CachePath(const CmoxFindSpec& query) const;
    void CacheAdd(const std::string& path, __int64 position, int line);
    const CacheEntry* CacheLookup(const CmoxFindSpec& query, std::string& parentPath) const;
    bool AtEndOfInput(const std::string& token) const;

    class LookAhead; // puts the read position back after a look-ahead restore

    char* Reserve(std::size_t length);
    void Put(const char* text, std::size_t length);
    void Commit(const char* at, const char* end);
    bool RefuseLongToken();
    void WriteVerbatim(const char* text, std::size_t length);
    void EndWrite();
    void HandOn();
    MoxRestoreError ReadBlockText(std::istream& in, const char*& begin, const char*& body,
                                  const char*& end);
    std::string& KeepToken(std::string_view token);
    void ResetForOpen(MoxArchiveMode mode, int cacheDepth);
    bool IsCurrent(const std::istream& in) const;

    std::string m_fileName;
    int m_mode = 0;
    std::fstream m_file;
    std::iostream* m_current = nullptr;
    int m_line = 1;
    int m_indent = 0;
    std::string m_token;
    std::string m_blockText;          // ReadBlock's scratch, kept to reuse its capacity
    std::unique_ptr<char[]> m_output; // composed bytes not yet handed to the current stream
    std::size_t m_outputUsed = 0;
    std::size_t m_outputSize = 0; // 64 KB, or the size of a larger verbatim text written since
    int m_saveDepth = 0; // Save calls under way: the output is held until the outermost ends
    static const int kFileBufferSize = 1 << 16;
    static const int kSearchBufferSize = 1 << 13;
    std::unique_ptr<char[]> m_fileBuffer; // the file stream's buffer, set at the first Open
    std::vector<unsigned char> m_restoreErrors;
    int m_cacheDepth = 0;
    std::map<std::string, CacheEntry> m_cache;
    bool m_cacheBuilding = false;
    bool m_cacheAmbiguous = false; // a cached name holds a backslash: keys cannot be cut safely
    std::string m_saveTarget;      // the file a save by name replaces at Close
    std::string m_saveTemp;        // the temporary file it writes meanwhile; empty when in place
    std::string m_writeError;      // why the last save failed; empty while none did
    void NoteWriteFailure(MoxRestoreError code, const std::string& why);
    __int64 ReadBinaryCount();
    int FinishOwnFile();
    int m_searchDepth = 0;
    bool m_searchStopped = false; // the walk in progress met too deep a nesting
    TimeSource m_timeSource = nullptr;
};
