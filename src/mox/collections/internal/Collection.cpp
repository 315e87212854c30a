#include <mox/collections/internal/Collection.h>

#include <mox/archive/CmoxArchive.h>
#include <mox/platform/MessageBox.h>
#include <mox/propagation/Cmox.h>
#include <mox/values/internal/Records.h>

#include <sstream>

namespace mox::detail {

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
        CopyText(engine.RestoreClassName(), token.substr(0, token.find('\0')));
        CopyText(name, archive.ReadTokenView());
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
