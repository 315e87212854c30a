// The record frame every cell writes and reads: class name, name, user-name field.
#include <mox/archive/CmoxArchive.h>
#include <mox/archive/internal/ArchiveAccess.h>
#include <mox/core/CmoxCell.h>
#include <mox/propagation/Cmox.h>

#include <string>
#include <utility>

void mox::detail::ArchiveAccess::AppendFrame(CmoxArchive& archive, CmoxCell& cell,
                                             std::string& out) {
    out += cell.GetRuntimeClass()->m_lpszClassName;
    out += ' ';
    AppendQuoted(archive, out, std::as_const(cell).Name().c_str());
    out += ' ';
    if (cell.HasUserName() != 0) {
        std::string marked;
        Cmox::MakeUserName(marked, cell.UserName());
        AppendQuoted(archive, out, marked.c_str());
    } else {
        AppendQuotedToken(out, MOX_NO_USER_NAME);
    }
    out += ' ';
}

void CmoxCell::Save(CmoxArchive& archive) {
    // Composed first and written in one piece: the same bytes as three token writes.
    using mox::detail::ArchiveAccess;
    std::string& frame = ArchiveAccess::RecordBuffer(archive);
    ArchiveAccess::AppendFrame(archive, *this, frame);
    ArchiveAccess::WriteComposed(archive, frame);
}

void CmoxCell::RestoreUserName(CmoxArchive& archive) {
    const std::string& token = archive.ReadToken();
    if (HasUserName() == 0) return;
    // The delimiters are not checked: the field is taken as written. A field too short to hold
    // them both gives no user name.
    std::string userName;
    if (token.size() >= 2) Cmox::ExtractUserName(userName, token);
    UserName(userName.c_str());
}

void CmoxCell::Restore(CmoxArchive& /*archive*/) {}
