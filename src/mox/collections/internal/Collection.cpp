#include <mox/collections/internal/Collection.h>

#include <mox/archive/CmoxArchive.h>
#include <mox/platform/MessageBox.h>
#include <mox/propagation/Cmox.h>

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
    // Copies, kept over the loop so their buffers are reused: the next read overwrites the
    // archive's token buffer.
    std::string className;
    std::string name;
    for (;;) {
        className = archive.ReadToken();
        if (className == "}") return;
        if (className.empty()) FailRestore(archive, MOX_RESTORE_UNEXPECTED_END, collection);
        engine.RestoreClassName(className.c_str());
        name = archive.ReadToken();
        restoreOne(className, name);
    }
}

void SkipRecordOrDecline(CmoxArchive& archive, CmoxCell* collection, const std::string& question) {
    if (AfxMessageBox(question.c_str(), MB_YESNO) != IDYES)
        FailRestore(archive, MOX_RESTORE_DECLINED, collection);
    std::stringstream scratch;
    archive.ReadBlock(scratch);
}

} // namespace mox::detail
