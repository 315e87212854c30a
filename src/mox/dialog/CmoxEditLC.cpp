#include <mox/dialog/CmoxEditLC.h>

#include <mox/platform/CEdit.h>
#include <mox/platform/CException.h>
#include <mox/platform/CWnd.h>

IMPLEMENT_DYNAMIC(CmoxEditLC, CmoxLinkCell)

const char* const CmoxEditLC::MOX_EDIT_LC = "MoxEditLC";

CmoxEditLC::CmoxEditLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                       unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxEditLC::~CmoxEditLC() = default;

void CmoxEditLC::Fail(const char* text, int throwException) {
    CmoxLinkCell::Fail(text, 0);
    ::SendMessage(GetControlHandle(), EM_SETSEL, 0, -1);
    if (throwException) AfxThrowUserException();
}

int CmoxEditLC::SubclassEditControl(CEdit* edit) {
    // The previous object (if any) is deleted, which detaches it, before the new one attaches.
    m_edit.reset(edit);
    if (edit == nullptr) return 0;
    return edit->SubclassDlgItem(ControlID(), Parent());
}
