#pragma once
/// @file
/// The windowing system underneath the dialog layer: window handles, the message vocabulary
/// of the standard controls, and the two interfaces a backend implements (`MoxWindow` for one
/// native window, `MoxWindowSystem` for focus and beeps). The dialog layer (CWnd, CEdit,
/// CDataExchange) talks to controls only through these, so a headless backend and a desktop
/// toolkit backend are interchangeable.

#include <mox/platform/types.h>

#include <cstdint>

class CWnd;
class MoxWindow;

/// Handle of a native window: the backend's window object.
typedef MoxWindow* HWND;
/// First message parameter (an index, a size or a flag).
typedef std::uintptr_t WPARAM;
/// Second message parameter (a text or buffer address, or a number).
typedef std::intptr_t LPARAM;
/// Result of a message.
typedef std::intptr_t LRESULT;

/// A point in a window's client coordinates.
struct MOX_API CPoint {
    long x; ///< Horizontal position, growing to the right.
    long y; ///< Vertical position, growing downwards.

    /// The origin.
    CPoint() : x(0), y(0) {}
    /// The point (`px`, `py`).
    CPoint(long px, long py) : x(px), y(py) {}
};

/// Messages understood by windows and the standard controls (the Windows values). Text
/// parameters are 8-bit, zero-terminated strings passed as LPARAM.
enum : unsigned int {
    WM_SETTEXT = 0x000C,       ///< Sets the window text (lParam: text). Returns 1.
    WM_GETTEXT = 0x000D,       ///< Copies the text (wParam: buffer size with the terminator,
                               ///< lParam: buffer), cut to fit. Returns the characters copied.
    WM_GETTEXTLENGTH = 0x000E, ///< Returns the length of the window text.
    WM_GETDLGCODE = 0x0087,    ///< Returns the DLGC_ flags describing the control.
    WM_CHAR = 0x0102,          ///< A typed character (wParam). Edit fields insert it.

    EM_GETSEL = 0x00B0,     ///< Selection of an edit field: wParam and lParam address ints (or are
                            ///< 0) receiving start and end. Returns start | end << 16.
    EM_SETSEL = 0x00B1,     ///< Selects from wParam to lParam; end -1 means the end of the text,
                            ///< start -1 removes the selection.
    EM_REPLACESEL = 0x00C2, ///< Replaces the selection with the text in lParam.

    BM_GETCHECK = 0x00F0, ///< Returns the check state of a button (BST_...).
    BM_SETCHECK = 0x00F1, ///< Sets the check state of a button to wParam (BST_...).

    CB_ADDSTRING = 0x0143,    ///< Appends the item lParam. Returns its index.
    CB_GETCOUNT = 0x0146,     ///< Returns the number of items.
    CB_GETCURSEL = 0x0147,    ///< Returns the selected index, or CB_ERR when none.
    CB_GETLBTEXT = 0x0148,    ///< Copies item wParam into the buffer lParam, which must hold
                              ///< CB_GETLBTEXTLEN + 1 characters. Returns its length or CB_ERR.
    CB_GETLBTEXTLEN = 0x0149, ///< Returns the length of item wParam, or CB_ERR.
    CB_RESETCONTENT = 0x014B, ///< Removes every item and clears the edit field.
    CB_FINDSTRING = 0x014C,   ///< Index of the first item after wParam (-1: from the start,
                              ///< wrapping around) beginning with lParam, or CB_ERR.
    CB_SELECTSTRING = 0x014D, ///< As CB_FINDSTRING, and selects the item found. Returns its
                              ///< index; CB_ERR leaves the selection as it was.
    CB_SETCURSEL = 0x014E,    ///< Selects item wParam and shows it in the edit field. -1 or an
                              ///< index out of range clears selection and edit field (CB_ERR).

    LB_ADDSTRING = 0x0180,    ///< Appends the item lParam. Returns its index.
    LB_RESETCONTENT = 0x0184, ///< Removes every item.
    LB_SETCURSEL = 0x0186,    ///< Selects item wParam; -1 or out of range clears it (LB_ERR).
    LB_GETCURSEL = 0x0188,    ///< Returns the selected index, or LB_ERR when none.
    LB_GETTEXT = 0x0189,      ///< Copies item wParam into the buffer lParam, which must hold
                              ///< LB_GETTEXTLEN + 1 characters. Returns its length or LB_ERR.
    LB_GETTEXTLEN = 0x018A,   ///< Returns the length of item wParam, or LB_ERR.
    LB_GETCOUNT = 0x018B,     ///< Returns the number of items.
    LB_SELECTSTRING = 0x018C, ///< As LB_FINDSTRING, and selects the item found. Returns its
                              ///< index; LB_ERR leaves the selection as it was.
    LB_FINDSTRING = 0x018F,   ///< Index of the first item after wParam (-1: from the start,
                              ///< wrapping around) beginning with lParam, or LB_ERR.
};

/// Error results of the combo-box and list-box messages.
enum : int {
    CB_ERR = -1,      ///< No such item, or nothing selected.
    CB_ERRSPACE = -2, ///< No room for another item.
    LB_ERR = -1,      ///< No such item, or nothing selected.
    LB_ERRSPACE = -2, ///< No room for another item.
};

/// Check states of buttons (BM_GETCHECK, BM_SETCHECK).
enum : int {
    BST_UNCHECKED = 0,    ///< Not checked.
    BST_CHECKED = 1,      ///< Checked.
    BST_INDETERMINATE = 2 ///< Neither (three-state check boxes only).
};

/// Flags answered to WM_GETDLGCODE.
enum : unsigned int {
    DLGC_HASSETSEL = 0x0008,   ///< An edit field (understands EM_SETSEL).
    DLGC_RADIOBUTTON = 0x0040, ///< A radio button.
    DLGC_BUTTON = 0x2000,      ///< A button (check box, radio button).
};

/// Window style bits that the dialog layer looks at.
enum : unsigned long {
    WS_TABSTOP = 0x00010000UL, ///< The control takes the focus on Tab.
    WS_GROUP = 0x00020000UL,   ///< The control starts a group (of radio buttons, say) that runs
                               ///< up to the next control with this style.
};

/// One native window of the backend. The backend creates and destroys its windows; the dialog
/// layer only borrows them through handles. A CWnd object may be attached to a window
/// (SubclassWindow): messages sent to the window then go through that object's WindowProc
/// first, which passes what it does not handle on to DefWindowProc here. Single-threaded: a
/// window belongs to the user-interface thread that made it.
class MOX_API MoxWindow {
  public:
    MoxWindow();
    virtual ~MoxWindow();
    MoxWindow(const MoxWindow&) = delete;
    MoxWindow& operator=(const MoxWindow&) = delete;

    /// The window's built-in handling of `message` (text, items, checks, selection...).
    virtual LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) = 0;
    /// The dialog item identifier of the window (0 for a top-level window).
    virtual int GetDlgCtrlID() const = 0;
    /// The window's style bits (WS_...).
    virtual unsigned long GetStyle() const = 0;
    /// The parent window, or null for a top-level window.
    virtual HWND GetParent() const = 0;
    /// The direct child with dialog item identifier `id`, or null.
    virtual HWND GetDlgItem(int id) const = 0;
    /// The next window of the same parent in dialog (tab) order, or null after the last.
    virtual HWND GetNextWindow() const = 0;
    /// The direct child containing `point` (client coordinates of this window); this window
    /// when the point is inside it but in no child; null when the point lies outside.
    virtual HWND ChildWindowFromPoint(CPoint point) const = 0;

    /// Delivers `message`: to the attached object's WindowProc when there is one, else to
    /// DefWindowProc. This is the path of every message, the user's typing included.
    LRESULT Send(unsigned int message, WPARAM wParam = 0, LPARAM lParam = 0);

    /// The object attached by SubclassWindow, or null.
    CWnd* AttachedObject() const { return m_attached; }
    /// The object that stands for this window: the attached one, or else a plain CWnd that
    /// the window owns for its whole life.
    CWnd* Object();

  protected:
    /// Detaches every CWnd from the window. A backend calls it first thing in its destructor,
    /// so that no message reaches an object of a window being torn down.
    void DetachObjects();

  private:
    friend class CWnd;
    CWnd* m_attached = nullptr; // borrowed; the application (or a link cell) owns it
    CWnd* m_wrapper = nullptr;  // owned; made on the first call of Object()
};

/// The services of the windowing system that belong to no single window. A backend installs
/// its implementation with MoxSetWindowSystem.
class MOX_API MoxWindowSystem {
  public:
    virtual ~MoxWindowSystem();
    /// Gives the keyboard focus to `window` (null: to nobody); returns the previous holder.
    virtual HWND SetFocus(HWND window) = 0;
    /// The window that has the keyboard focus, or null.
    virtual HWND GetFocus() const = 0;
    /// Plays the system sound `type` (0xFFFFFFFF is the simple beep, MB_ICON... the others).
    /// Returns non-zero on success.
    virtual int MessageBeep(unsigned int type) = 0;
};

/// Installs `system` as the windowing system and returns the previous one. A null `system`
/// restores the built-in one, which has no focus and plays no sounds.
MOX_API MoxWindowSystem* MoxSetWindowSystem(MoxWindowSystem* system);
/// The installed windowing system (never null).
MOX_API MoxWindowSystem* MoxGetWindowSystem();

/// Sends `message` to `window`: through its attached object's WindowProc when it has one,
/// else straight to its DefWindowProc. Returns 0 for a null window.
MOX_API LRESULT SendMessage(HWND window, unsigned int message, WPARAM wParam = 0,
                            LPARAM lParam = 0);
/// Plays a system sound through the installed windowing system (0xFFFFFFFF: simple beep).
MOX_API int MessageBeep(unsigned int type);
