#pragma once
// Shared fixture of the archive tests: an archive reading a string stream, and the records that
// a save writes.

#include "support/MoxTest.h"

#include <mox/archive/CmoxArchive.h>

#include <sstream>
#include <string>
#include <vector>

namespace moxtest {

/// Restore codes, as the archive lists them.
using Codes = std::vector<unsigned char>;

/// A temporary file path for `stem`, unique to this process: test runs may share the folder.
std::string TempFile(const std::string& stem);

/// The records that saving `cell` to a stream archive writes, without the two preamble lines.
std::string SavedRecords(CmoxCell& cell);

/// Restore codes as text for a transcript: "[2 1]".
std::string Text(const Codes& codes);

/// Gives `group` the user name `userName`, kept as the library keeps it: in an unsaved string
/// child that the record frame carries.
void GiveUserName(CmoxCompositeCell& group, const char* userName);

class ArchiveTest : public MoxTest {
  protected:
    /// Opens the archive for reading on `text` as it stands, with the given search-cache depth.
    void OpenText(const std::string& text, int cacheDepth = 0);
    /// Opens the archive for reading on a preamble line followed by `body`.
    void OpenOn(const std::string& body) { OpenText("PREAMBLE \r\n" + body); }
    /// Opens on `record`, reads its class name, name and user name as a container does, and
    /// restores `cell` from the rest; returns the driver's result.
    int RestoreRecord(const std::string& record, CmoxCell& cell);
    /// Searches the archive for a record, as Locate with a find query of these arguments does.
    int Locate(const char* path, const char* name, int byUserName) {
        CmoxFindSpec query(path, name, byUserName);
        return m_archive.Locate(query);
    }
    /// Lists a collection's records, as Contents with a list query of these arguments does,
    /// which must return `result`.
    std::vector<std::string> Listed(const char* path, int byUserName, int fullPath, int result) {
        CmoxFindSpec query(path, byUserName, fullPath);
        EXPECT_EQ(m_archive.Contents(query), result) << path;
        return query.MatchArray();
    }
    Codes Errors() { return m_archive.GetRestoreArray(); }
    std::string Next() { return m_archive.ReadToken(); }

    std::stringstream m_in;
    CmoxArchive m_archive;
};

} // namespace moxtest
