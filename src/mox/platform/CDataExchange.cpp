#include <mox/platform/CDataExchange.h>

#include <mox/platform/CException.h>
#include <mox/platform/CWnd.h>

CDataExchange::CDataExchange(CWnd* dialog, int saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

HWND CDataExchange::PrepareCtrl(int id) {
    HWND control = nullptr;
    if (m_pDlgWnd != nullptr) m_pDlgWnd->GetDlgItem(id, &control);
    // An exchange naming a control the dialog does not have is a programming error.
    if (control == nullptr) AfxThrowInvalidArgException();
    m_hWndLastControl = control;
    m_bEditLastControl = 0;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND control = PrepareCtrl(id);
    m_bEditLastControl = 1;
    return control;
}

void CDataExchange::Fail() {
    // Only a saving exchange has a user entry to send the user back to.
    if (m_bSaveAndValidate && m_hWndLastControl != nullptr) {
        MoxGetWindowSystem()->SetFocus(m_hWndLastControl);
        if (m_bEditLastControl) ::SendMessage(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

void DDX_Check(CDataExchange* exchange, int id, int& value) {
    HWND control = exchange->PrepareCtrl(id);
    if (exchange->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessage(control, BM_GETCHECK));
    } else {
        const int state =
            (value < BST_UNCHECKED || value > BST_INDETERMINATE) ? BST_UNCHECKED : value;
        ::SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(state));
    }
}

void DDX_Radio(CDataExchange* exchange, int id, int& value) {
    HWND control = exchange->PrepareCtrl(id);
    if (exchange->m_bSaveAndValidate) value = -1;
    int position = 0;
    // The first control starts the group whatever its style; the group ends before the next
    // control that starts one.
    do {
        if (::SendMessage(control, WM_GETDLGCODE) & DLGC_RADIOBUTTON) {
            if (exchange->m_bSaveAndValidate) {
                if (value == -1 && ::SendMessage(control, BM_GETCHECK) != BST_UNCHECKED)
                    value = position;
            } else {
                ::SendMessage(control, BM_SETCHECK,
                              static_cast<WPARAM>(position == value ? BST_CHECKED : BST_UNCHECKED));
            }
            ++position;
        }
        control = control->GetNextWindow();
    } while (control != nullptr && (control->GetStyle() & WS_GROUP) == 0);
}
