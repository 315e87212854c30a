#pragma once
/// @file
/// The dialog data exchange: the context a dialog's DoDataExchange runs in, and the standard
/// exchange functions of check boxes and radio groups.

#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

class CWnd;

/// One pass of a dialog's data exchange, in one direction. Made on the stack by
/// CWnd::UpdateData (or by whoever needs an exchange); borrows the dialog. The exchange
/// functions call PrepareCtrl or PrepareEditCtrl for each control they touch, so that Fail can
/// send the user back to the last one.
class MOX_API CDataExchange {
  public:
    /// An exchange for the dialog `dialog`: from the controls into the data when
    /// `saveAndValidate` is non-zero, else from the data into the controls.
    CDataExchange(CWnd* dialog, int saveAndValidate);

    /// Non-zero when data flows from the controls (saving and validating).
    int m_bSaveAndValidate;
    /// The dialog whose controls are exchanged (borrowed).
    CWnd* m_pDlgWnd;

    /// The control `id` of the dialog, remembered as the last one prepared. Throws
    /// CInvalidArgException when the dialog has no such control.
    HWND PrepareCtrl(int id);
    /// PrepareCtrl for an edit field: Fail will also select its whole text.
    HWND PrepareEditCtrl(int id);
    /// Ends the exchange after a rejected entry: when saving, puts the focus on the last
    /// prepared control (selecting all its text if it is an edit field); then throws
    /// CUserException.
    [[noreturn]] void Fail();

  private:
    HWND m_hWndLastControl = nullptr; // borrowed for the length of the exchange
    int m_bEditLastControl = 0;
};

/// Exchanges the state of the check box `id` with `value` (BST_UNCHECKED, BST_CHECKED,
/// BST_INDETERMINATE). When loading, a value outside 0..2 shows the box unchecked.
MOX_API void DDX_Check(CDataExchange* exchange, int id, int& value);
/// Exchanges the checked button of the radio group that starts at the control `id` with
/// `value`, the button's position in the group (0 is the control `id`). The group runs over
/// the following controls up to the next one with the WS_GROUP style; controls in it that are
/// not radio buttons are skipped and not counted. Saving gives -1 when no button is checked
/// (the first checked one otherwise); loading checks the button at `value` and unchecks the
/// others, so a value with no button leaves all unchecked.
MOX_API void DDX_Radio(CDataExchange* exchange, int id, int& value);
