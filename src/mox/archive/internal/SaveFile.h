#pragma once
// Replacing an archive file as one step: the new text goes to a temporary file beside the target,
// which takes the target's place only once it is complete and on disk. A save that dies or fails
// half-way leaves the old file as it was.

#include <string>

namespace mox::detail {

// The file a save by name writes to, and the file it will replace.
struct SaveFile {
    std::string target; // the file to replace: the name given, its symbolic links followed
    std::string temp;   // where the text goes meanwhile; empty when written in place
};

// Decides where a save of `fileName` writes. A regular file (existing or new) is written to a
// new temporary file in the target's directory, created with the target's permission bits (a
// new file gets those a plain create would give it); anything else that exists (a device, a
// pipe) is written in place. Returns 0, or the errno of the failure; the temporary file exists
// on success.
int PrepareSaveFile(const char* fileName, SaveFile& file);

// Puts the finished temporary file in the target's place: syncs it, renames it over the target
// and syncs the directory. Returns 0, or the errno of the failure (the temporary file is then
// removed). Nothing to do for a file written in place.
int CommitSaveFile(const SaveFile& file);

// Removes the temporary file of a save that is given up.
void DiscardSaveFile(const SaveFile& file);

} // namespace mox::detail
