// CmoxArchive: record search (Locate, Contents, the search forms of Restore and RestoreLookAhead)
// and the position cache that a read-mode Open builds.
//
// A walk reads records with the archive's own tokenizer, block skipper and binary block reader:
// for each record its frame (class name, name, user-name field), then its body, which is
// stepped over ("= { ... }", "= #..." with its raw bytes, "*") or walked into ("{" child
// records "}"). The walk recurses on the nesting of the file, so it is bounded by
// kMaxSearchDepth.
#include <mox/archive/CmoxArchive.h>

#include <mox/archive/internal/LookAhead.h>

#include <istream>
#include <string>
#include <utility>

namespace {

bool IsChar(const std::string& token, char c) {
    return token.size() == 1 && token[0] == c;
}

// Path components above a record's parent path: one per separator. Only used where no cached
// name holds a separator, so the count is exact.
int Levels(const std::string& path) {
    int levels = 0;
    for (const char c : path) {
        if (c == MOX_PATH_SEPERATOR) ++levels;
    }
    return levels;
}

} // namespace

// Gives each public search a fresh depth count and stop flag, and puts back those of a search
// that may be under way around it (a cell restored by a look-ahead may search again).
struct CmoxArchive::SearchScope {
    explicit SearchScope(CmoxArchive& archive)
        : m_archive(archive), m_depth(archive.m_searchDepth), m_stopped(archive.m_searchStopped) {
        archive.m_searchDepth = 0;
        archive.m_searchStopped = false;
    }
    ~SearchScope() {
        m_archive.m_searchDepth = m_depth;
        m_archive.m_searchStopped = m_stopped;
    }
    SearchScope(const SearchScope&) = delete;
    SearchScope& operator=(const SearchScope&) = delete;

  private:
    CmoxArchive& m_archive;
    int m_depth;
    bool m_stopped;
};

bool CmoxArchive::AtEndOfInput(const std::string& token) const {
    // The empty token alone is not the end: a quoted "" is an empty token in the middle of the
    // input. It is the end when the stream has a flag set, after which nothing more is read.
    return token.empty() && (m_current == nullptr || m_current->rdstate() != std::ios::goodbit);
}

void CmoxArchive::ResetFilePointer() {
    if (m_current == nullptr) return;
    m_current->clear();
    m_line = 1;
    std::streambuf* buf = m_current->rdbuf();
    if (buf == nullptr || buf->pubseekpos(0, std::ios::in) == std::streampos(std::streamoff(-1))) {
        // A stream that cannot go back (a pipe) cannot be searched; failing it makes every walk
        // find the end at once instead of searching from wherever the stream happens to be.
        m_current->setstate(std::ios::failbit);
        return;
    }
    ReadToken(); // "PREAMBLE"
}

// ---- the walk ----------------------------------------------------------------------------------

int CmoxArchive::MatchNames(CmoxFindSpec& query, std::string& path) {
    // `path` comes in as the parent path and leaves as the record's path. One buffer serves the
    // whole walk: a path per level would cost memory quadratic in the nesting of a hostile file.
    const std::size_t parentLength = path.size();
    const bool inCollection = path == query.Path();
    path += MOX_PATH_SEPERATOR;
    path += ReadToken();
    const std::size_t nameAt = parentLength + 1;

    // The user name is the field without its first and last character, as written between the
    // "$" delimiters (not checked); a field too short to hold both gives the empty user name.
    const std::string& field = ReadToken();
    const bool hasDelimiters = field.size() >= 2;
    const char* userName = field.data() + (hasDelimiters ? 1 : 0);
    const std::size_t userLength = hasDelimiters ? field.size() - 2 : 0;

    if (!inCollection) return 0;
    if (query.FindFirst() != 0) {
        const std::string& match = query.Match();
        if (query.ByUserName() != 0) {
            return match.compare(0, std::string::npos, userName, userLength) == 0 ? 1 : 0;
        }
        return path.compare(nameAt, std::string::npos, match) == 0 ? 1 : 0;
    }
    std::string entry;
    if (query.FullPath() != 0) entry.assign(path, 0, nameAt);
    if (query.ByUserName() != 0) {
        entry.append(userName, userLength);
    } else {
        entry.append(path, nameAt, std::string::npos);
    }
    query.MatchArray().push_back(std::move(entry));
    return 1;
}

CmoxArchive::SearchStep CmoxArchive::FindInRecord(CmoxFindSpec& query, std::string& path) {
    const std::size_t parentLength = path.size();
    // The position is asked for only when it is kept: on a file it costs a system call.
    const bool caching = m_cacheBuilding && m_searchDepth <= m_cacheDepth;
    __int64 position = 0;
    const int line = m_line; // the line at the noted position, where a seek to it resumes
    if (caching) {
        position = static_cast<__int64>(static_cast<std::streamoff>(
            m_current->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in)));
    }

    const int matched = MatchNames(query, path);
    if (caching) {
        if (path.find(MOX_PATH_SEPERATOR, parentLength + 1) != std::string::npos) {
            m_cacheAmbiguous = true;
        }
        CacheAdd(path, position, line);
    }
    if (matched != 0 && query.FindFirst() != 0) {
        path.resize(parentLength);
        return kSearchFound;
    }

    // The body. Tokens that an application cell writes between its frame and its body are
    // passed over until one that opens a body.
    SearchStep step = kSearchGoOn;
    for (;;) {
        const std::string& token = ReadToken();
        if (AtEndOfInput(token)) {
            step = kSearchStop;
            break;
        }
        if (IsChar(token, '=')) {
            // A binary block is stepped over with its bytes, unread: they may hold anything,
            // braces included.
            if (ReadBinaryBlock() == 0) SkipOverBlock();
            break;
        }
        if (token == MOX_POINTER) break; // a reference: nothing follows
        if (IsChar(token, MOX_BLOCK_END)) {
            // A record of the frame alone (a cell without a body of its own) that ends its
            // collection. Reading on would take the records after the collection for its body.
            step = kSearchLevelEnd;
            break;
        }
        if (IsChar(token, MOX_BLOCK_START)) {
            const std::string& first = ReadToken();
            if (IsChar(first, MOX_BLOCK_END)) break; // an empty collection
            if (AtEndOfInput(first)) {
                step = kSearchStop;
                break;
            }
            // `first` is the class name of the first child; `path` is this record's path.
            if (FindElement(query, path) != 0) step = kSearchFound;
            break;
        }
    }
    path.resize(parentLength);
    if (step == kSearchGoOn && (m_searchStopped || m_current->rdstate() != std::ios::goodbit)) {
        step = kSearchStop; // nothing more can be read
    }
    return step;
}

int CmoxArchive::FindElement(CmoxFindSpec& query, std::string& path) {
    if (m_searchDepth >= kMaxSearchDepth) {
        // Deeper than any archive this library writes; walking on would only eat the stack.
        m_searchStopped = true;
        FlagRestoreError(MOX_RESTORE_BAD_FORMAT, nullptr);
        return 0;
    }
    ++m_searchDepth;
    int found = 0;
    for (;;) {
        const SearchStep step = FindInRecord(query, path);
        if (step == kSearchFound) {
            found = 1;
            break;
        }
        if (step != kSearchGoOn) break;
        // The class name of the next record of this level, or the "}" that ends the level.
        const std::string& token = ReadToken();
        if (IsChar(token, MOX_BLOCK_END) || AtEndOfInput(token)) break;
    }
    --m_searchDepth;
    return found;
}

int CmoxArchive::WalkFile(CmoxFindSpec& query) {
    // The stream stands just after the first record's class name. A "}" too many at the top
    // level ends a FindElement; the walk then goes on with what follows it.
    std::string path;
    while (Good() != 0 && !m_searchStopped) {
        if (FindElement(query, path) != 0) return 1;
        ReadToken();
    }
    return 0;
}

// ---- the position cache ------------------------------------------------------------------------

void CmoxArchive::InitLocate() {
    if (m_cacheDepth <= 0 || m_current == nullptr) return;
    SearchScope scope(*this);
    m_cacheBuilding = true;
    ResetFilePointer();
    ReadToken();
    CmoxFindSpec query("", 0, 1);
    WalkFile(query);
    m_cacheBuilding = false;
    // Open leaves the stream just after the preamble whatever the cache depth, so a caller
    // can go on reading records in order.
    ResetFilePointer();
}

std::string CmoxArchive::CachePath(const CmoxFindSpec& query) const {
    std::string key = query.Path();
    // A user name is no component of a record path: a search by user name is keyed by the path
    // of the collection it searches.
    if (!query.Match().empty() && query.ByUserName() == 0) {
        key += MOX_PATH_SEPERATOR;
        key += query.Match();
    }
    if (m_cacheDepth >= 1) {
        int separators = 0;
        for (std::size_t i = 1; i < key.size(); ++i) {
            if (key[i] == MOX_PATH_SEPERATOR && ++separators == m_cacheDepth) {
                key.resize(i);
                break;
            }
        }
    }
    return key;
}

void CmoxArchive::CacheAdd(const std::string& path, __int64 position, int line) {
    // The first record of a path is the one kept; a later one only marks the entry as shared.
    const auto added = m_cache.emplace(path, CacheEntry{position, line, false});
    if (!added.second) added.first->second.shared = true;
}

const CmoxArchive::CacheEntry* CmoxArchive::CacheLookup(const CmoxFindSpec& query,
                                                        std::string& parentPath) const {
    const std::string key = CachePath(query);
    if (key.empty()) return nullptr;
    const auto found = m_cache.find(key);
    if (found == m_cache.end()) return nullptr;
    const std::size_t last = key.rfind(MOX_PATH_SEPERATOR);
    parentPath.assign(key, 0, last == std::string::npos || last == 0 ? 0 : last);
    return &found->second;
}

// ---- the public searches -----------------------------------------------------------------------

int CmoxArchive::Locate(CmoxFindSpec& query) {
    if (CheckStatus(MOX_ARCHIVE_READ) == 0 || query.FindFirst() == 0) return 0;
    SearchScope scope(*this);
    ResetFilePointer();
    ReadToken(); // the first record's class name

    // The cache is used when its keys can be trusted and the query has a key: the top level
    // (empty key) has no cached record above it and is walked in full.
    if (m_cacheDepth > 0 && !m_cacheAmbiguous && !CachePath(query).empty()) {
        std::string parentPath;
        const CacheEntry* entry = CacheLookup(query, parentPath);
        if (entry == nullptr) {
            // The cache knows every record down to its depth: the target is not in the file.
            m_current->clear();
            return 0;
        }
        m_current->clear();
        if (m_current->rdbuf()->pubseekpos(static_cast<std::streamoff>(entry->position),
                                           std::ios::in) == std::streampos(std::streamoff(-1))) {
            m_current->setstate(std::ios::failbit);
        }
        m_line = entry->line;
        // Counted from the top level, so the depth bound stops this walk where a walk of the
        // whole file would stop.
        m_searchDepth = Levels(parentPath) + 1;
        // The target lies under the cached record (its key leads there), so the walk ends with
        // that record rather than going on through the rest of its collection.
        const SearchStep step = FindInRecord(query, parentPath);
        if (step == kSearchFound) return 1;
        if (!entry->shared || m_searchStopped) {
            m_current->clear();
            return 0;
        }
        // Later records have the same path and may hold the target: walk the whole file, as
        // without a cache, so the first match in file order is found.
        m_searchDepth = 0;
        ResetFilePointer();
        ReadToken();
    }
    if (WalkFile(query) != 0) return 1;
    m_current->clear();
    return 0;
}

int CmoxArchive::Contents(CmoxFindSpec& query) {
    if (CheckStatus(MOX_ARCHIVE_READ) == 0 || query.FindFirst() != 0) return 0;
    SearchScope scope(*this);
    ResetFilePointer();
    ReadToken();
    WalkFile(query);
    const int complete = m_searchStopped ? 0 : 1;
    m_current->clear();
    return complete;
}

int CmoxArchive::Restore(CmoxCell* cell, CmoxFindSpec& query) {
    if (cell == nullptr || Locate(query) == 0) return 0;
    return Restore(cell);
}

int CmoxArchive::RestoreLookAhead(CmoxCell* cell, CmoxFindSpec& query) {
    if (CheckStatus(MOX_ARCHIVE_READ) == 0 || cell == nullptr || query.FindFirst() == 0) return 0;
    const LookAhead rewind(*this); // the stream, line and indentation go back on every way out
    if (!rewind.Positioned()) return 0;

    int found = 0;
    {
        SearchScope scope(*this);
        ReadToken();
        const std::string& second = ReadToken();
        if (!AtEndOfInput(second)) {
            std::string path;
            found = FindElement(query, path);
        }
    }
    if (found == 0) return 0;
    return Restore(cell);
}
