#pragma once
/// @file
/// The window object of the dialog layer.

#include <mox/platform/CObject.h>
#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

#include <string>

class CDataExchange;

/// An object standing for one native window (a dialog or one of its controls).
///
/// A CWnd either is the plain stand-in that a window keeps for itself (see CWnd::FromHandle)
/// or is attached to a window by SubclassWindow / SubclassDlgItem; an attached object sees
/// every message sent to the window in its virtual WindowProc first, which is how an
/// application filters keys or a dialog class adds DoDataExchange. The CWnd never owns its
/// window; destroying an attached CWnd detaches it, destroying the window detaches the CWnd.
/// Not thread-safe: used on the user-interface thread only.
class MOX_API CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)

  public:
    /// An object attached to no window.
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    /// The object standing for `window`: the attached one, else the window's own stand-in.
    /// Null for a null handle.
    static CWnd* FromHandle(HWND window);
    /// The window this object stands for, or null.
    HWND GetSafeHwnd() const { return m_hWnd; }

    /// Attaches this object to `window` so that its messages pass through WindowProc.
    /// Returns 0 (and attaches nothing) for a null window, when this object already has a
    /// window, or when another object is attached to `window`.
    int SubclassWindow(HWND window);
    /// SubclassWindow on the item `id` of the dialog `parent`; 0 when there is no such item.
    int SubclassDlgItem(int id, CWnd* parent);
    /// Detaches this object from its window and returns the window (null when unattached).
    HWND UnsubclassWindow();

    /// Sends `message` to the window (through the attached object, if any). 0 when unattached.
    LRESULT SendMessage(unsigned int message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    /// The item `id` of this dialog, or null.
    CWnd* GetDlgItem(int id) const;
    /// Stores in `*window` the handle of the item `id` of this dialog, or null.
    void GetDlgItem(int id, HWND* window) const;
    /// The dialog item identifier of this window (0 when unattached).
    int GetDlgCtrlID() const;
    /// The parent window's object, or null.
    CWnd* GetParent() const;
    /// The next window of the same parent in dialog order, or null.
    CWnd* GetNextWindow() const;
    /// The window's style bits (0 when unattached).
    unsigned long GetStyle() const;
    /// The child containing `point` (client coordinates), this window when it is inside but in
    /// no child, null when outside.
    CWnd* ChildWindowFromPoint(CPoint point) const;

    /// Copies the window text into `text`, at most `maxCount` characters including the
    /// terminator; returns the characters copied.
    int GetWindowText(char* text, int maxCount) const;
    /// Stores the whole window text in `text`.
    void GetWindowText(std::string& text) const;
    /// The length of the window text.
    int GetWindowTextLength() const;
    /// Replaces the window text.
    void SetWindowText(const char* text);
    /// GetWindowText of the item `id`; 0 (and an empty `text`) when there is no such item.
    int GetDlgItemText(int id, char* text, int maxCount) const;
    /// SetWindowText of the item `id`; nothing when there is no such item.
    void SetDlgItemText(int id, const char* text);

    /// Gives this window the keyboard focus; returns the previous holder's object.
    CWnd* SetFocus();
    /// The object of the window holding the keyboard focus, or null.
    static CWnd* GetFocus();

    /// Exchanges the dialog's data: makes a CDataExchange in the direction asked and calls
    /// DoDataExchange. Returns 0 when an exchange function rejected an entry
    /// (CUserException), else 1.
    int UpdateData(int saveAndValidate = 1);

  protected:
    /// First stop of every message sent to an attached object; the default passes it on to
    /// DefWindowProc. Override to filter or add handling.
    virtual LRESULT WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam);
    /// The window's built-in handling of `message`.
    virtual LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam);
    /// A dialog's list of exchanges (DDX_... calls, link cells' Transfer). Empty by default.
    virtual void DoDataExchange(CDataExchange* exchange);

  private:
    friend class MoxWindow;
    HWND m_hWnd = nullptr; // borrowed: the backend owns its windows
};
