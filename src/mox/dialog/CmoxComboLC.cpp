#include <mox/dialog/CmoxComboLC.h>

#include <mox/core/MoxConstants.h>
#include <mox/dialog/internal/ItemList.h>
#include <mox/platform/CEdit.h>
#include <mox/platform/CWnd.h>
#include <mox/values/CmoxByteCell.h>

using namespace mox::detail;

CmoxComboLC::CmoxComboLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                         unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxComboLC::~CmoxComboLC() = default;

void CmoxComboLC::UIToState() {
    if (CmoxByteCell* cell = IndexCell(*this))
        SelectedIndexToState(GetControlHandle(), *cell, kComboBoxItems);
    else
        CmoxLinkCell::UIToState();
}

void CmoxComboLC::StateToUI() {
    if (const CmoxByteCell* cell = IndexCell(*this))
        StateToSelectedIndex(GetControlHandle(), *cell, kComboBoxItems);
    else
        CmoxLinkCell::StateToUI();
}

void CmoxComboLC::AddString(const char* text) {
    AddItem(GetControlHandle(), text, kComboBoxItems);
}

void CmoxComboLC::GetControlText(char* text, int size) {
    if (!SelectedItemText(GetControlHandle(), text, size, kComboBoxItems))
        CWnd::FromHandle(GetControlHandle())->GetWindowText(text, size); // the edit field
}

void CmoxComboLC::SetControlText(const char* text) {
    HWND box = GetControlHandle();
    if (box == nullptr) return;
    const LPARAM textParam = reinterpret_cast<LPARAM>(text != nullptr ? text : "");
    if (::SendMessage(box, CB_SELECTSTRING, static_cast<WPARAM>(-1), textParam) == CB_ERR)
        ::SendMessage(box, WM_SETTEXT, 0, textParam);
}

int CmoxComboLC::SubclassEditControl(CEdit* edit) {
    m_edit.reset(edit);
    if (edit == nullptr) return 0;
    CWnd* box = CWnd::FromHandle(GetControlHandle());
    if (box == nullptr) return 0;
    CWnd* field =
        box->ChildWindowFromPoint(CPoint(MOX_COMBO_EDIT_X_OFFSET, MOX_COMBO_EDIT_Y_OFFSET));
    return field != nullptr ? edit->SubclassWindow(field->GetSafeHwnd()) : 0;
}
