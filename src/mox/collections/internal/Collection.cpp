#include <mox/collections/internal/Collection.h>

#include <mox/archive/CmoxArchive.h>
#include <mox/platform/MessageBox.h>
#include <mox/propagation/Cmox.h>

#include <sstream>

namespace mox::detail {

namespace {

// Cleared and appended to: cheaper than assign, which must allow for a source inside the string.
void CopyToken(std::string& to, std::string_view token) {
    to.clear();
    to.append(token.data(), token.size());
}

} // namespace

void FailRestore(CmoxArchive& archive, MoxRestoreError code, CmoxCell* cell) {
    archive.FlagRestoreError(code, cell);
    throw code;
}

void OpenChildRecords(CmoxArchive& archive, CmoxCell* collection) {
    if (archive.ReadToken() != "{") FailRestore(archive, MOX_RESTORE_BAD_FORMAT, collection);
}

void ReadChildRecords(
    CmoxArchive& archive, CmoxCell* collection,
    const std::function<void(std::string& className, const std::string& name)>& restoreOne) {
    Cmox& engine = Cmox::Current();
    // A copy, kept over the loop so that its buffer is reused: a token is valid only until the
    // next read.
    std::string name;
    for (;;) {
        const std::string_view token = archive.ReadTokenView();
        if (token == "}") return;
        if (token.empty()) FailRestore(archive, MOX_RESTORE_UNEXPECTED_END, collection);
        // Up to a NUL, as the engine takes a C string.
        CopyToken(engine.RestoreClassName(), token.substr(0, token.find('\0')));
        CopyToken(name, archive.ReadTokenView());
        restoreOne(engine.RestoreClassName(), name);
    }
}

void SkipRecordOrDecline(CmoxArchive& archive, CmoxCell* collection, const std::string& question) {
    if (AfxMessageBox(question.c_str(), MB_YESNO) != IDYES)
        FailRestore(archive, MOX_RESTORE_DECLINED, collection);
    std::stringstream scratch;
    archive.ReadBlock(scratch);
}

} // namespace mox::detail
