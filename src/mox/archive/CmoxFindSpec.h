#pragma once
/// @file
/// CmoxFindSpec: what a record search in an archive looks for.

#include <mox/platform/types.h>

#include <string>
#include <vector>

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
