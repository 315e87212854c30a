// The record frame every cell writes and reads: class name, name, user-name field.
#include <mox/archive/CmoxArchive.h>
#include <mox/core/CmoxCell.h>
#include <mox/propagation/Cmox.h>

#include <string>
#include <utility>

void CmoxCell::Save(CmoxArchive& archive) {
    std::string marked;
    if (HasUserName() != 0) Cmox::MakeUserName(marked, UserName());
    archive.WriteFrame(GetRuntimeClass()->m_lpszClassName, std::as_const(*this).Name().c_str(),
                       marked.empty() ? MOX_NO_USER_NAME : marked.c_str());
}

void CmoxCell::RestoreUserName(CmoxArchive& archive) {
    const std::string_view token = archive.ReadTokenView();
    if (HasUserName() == 0) return;
    // The delimiters are not checked: the field is taken as written. A field too short to hold
    // them both gives no user name.
    std::string userName;
    if (token.size() >= 2) Cmox::ExtractUserName(userName, std::string(token));
    UserName(userName.c_str());
}

void CmoxCell::Restore(CmoxArchive& /*archive*/) {}
