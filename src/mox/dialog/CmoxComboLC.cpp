#include <mox/dialog/CmoxComboLC.h>

#include <mox/core/MoxConstants.h>
#include <mox/platform/CEdit.h>
#include <mox/platform/CWnd.h>
#include <mox/values/CmoxByteCell.h>

#include <cstring>
#include <vector>

CmoxComboLC::CmoxComboLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                         unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxComboLC::~CmoxComboLC() = default;

void CmoxComboLC::UIToState() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) {
        CmoxLinkCell::UIToState();
        return;
    }
    HWND box = GetControlHandle();
    if (box == nullptr) return;
    // The index is the value, cut to 8 bits: no selection (CB_ERR) reads as 255.
    const LRESULT selected = ::SendMessage(box, CB_GETCURSEL);
    static_cast<CmoxByteCell*>(cell)->Value(static_cast<unsigned char>(selected & 0xFF));
}

void CmoxComboLC::StateToUI() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) {
        CmoxLinkCell::StateToUI();
        return;
    }
    const unsigned char index = static_cast<CmoxByteCell*>(cell)->Value();
    ::SendMessage(GetControlHandle(), CB_SETCURSEL, static_cast<WPARAM>(index));
}

void CmoxComboLC::AddString(const char* text) {
    ::SendMessage(GetControlHandle(), CB_ADDSTRING, 0,
                  reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}

void CmoxComboLC::GetControlText(char* text, int size) {
    if (text == nullptr || size <= 0) return;
    text[0] = '\0';
    HWND box = GetControlHandle();
    if (box == nullptr) return;
    const LRESULT selected = ::SendMessage(box, CB_GETCURSEL);
    if (selected == CB_ERR) {
        CWnd::FromHandle(box)->GetWindowText(text, size);
        return;
    }
    // CB_GETLBTEXT writes the whole item: read it into a buffer of its length, then cut.
    const LRESULT length = ::SendMessage(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected));
    if (length < 0) return;
    std::vector<char> item(static_cast<std::size_t>(length) + 1, '\0');
    if (::SendMessage(box, CB_GETLBTEXT, static_cast<WPARAM>(selected),
                      reinterpret_cast<LPARAM>(item.data())) < 0)
        return;
    std::strncpy(text, item.data(), static_cast<std::size_t>(size) - 1);
    text[size - 1] = '\0';
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
