#pragma once
/// @file
/// Base of the headless backend's windows.

#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

#include <memory>
#include <string>
#include <vector>

class CWnd;

namespace mox::headless {

class Desktop;

/// A rectangle in the client coordinates of a window's parent.
struct MOX_API Rect {
    int left = 0;   ///< Left edge (inside).
    int top = 0;    ///< Top edge (inside).
    int right = 0;  ///< Right edge (outside).
    int bottom = 0; ///< Bottom edge (outside).

    /// Width of the rectangle.
    int Width() const { return right - left; }
    /// Height of the rectangle.
    int Height() const { return bottom - top; }
    /// Whether `point` lies inside.
    bool Contains(CPoint point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
};

/// A window of the headless backend: an in-memory stand-in for a native window with an id,
/// style bits, a text, a rectangle and owned child windows (in dialog order). Created only by
/// its parent (Dialog::Add..., ComboBox) and destroyed with it; registered with the Desktop
/// that tracks focus. Everything happens synchronously on the calling thread; one thread only.
class MOX_API Window : public MoxWindow {
  public:
    ~Window() override;

    /// Handles WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH on the window text; 0 otherwise.
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;
    /// The dialog item identifier.
    int GetDlgCtrlID() const override;
    /// The style bits given at creation.
    unsigned long GetStyle() const override;
    /// The parent, or null for a dialog.
    HWND GetParent() const override;
    /// The first direct child with identifier `id`, or null.
    HWND GetDlgItem(int id) const override;
    /// The next child of the parent in dialog order, or null.
    HWND GetNextWindow() const override;
    /// The child whose rectangle holds `point`, this window when none does but the point is
    /// in this window's client area, null when it is outside.
    HWND ChildWindowFromPoint(CPoint point) const override;

    /// The handle of this window.
    HWND Handle() { return this; }
    /// The window's CWnd: the attached object, or the window's own stand-in.
    CWnd* Wnd() { return Object(); }
    /// The window text as it stands (read without sending a message).
    virtual const std::string& Text() const;
    /// How many WM_SETTEXT messages the window has received: how often a program wrote it.
    int SetTextCount() const { return m_setTextCount; }
    /// The rectangle in the parent's client coordinates.
    const Rect& Bounds() const { return m_bounds; }
    /// Whether the window holds the keyboard focus of its desktop.
    bool HasFocus() const;
    /// The child windows in dialog order (owned by this window).
    const std::vector<std::unique_ptr<Window>>& Children() const { return m_children; }
    /// The desktop the window belongs to (null once the desktop is gone).
    Desktop* GetDesktop() const { return m_desktop; }

  protected:
    /// A window with the given place in the tree; registered with the parent's desktop, or
    /// with `desktop` for a top-level window.
    Window(Window* parent, Desktop* desktop, int id, unsigned long style, Rect bounds);
    /// Takes ownership of `child` and appends it in dialog order; returns it.
    Window& Adopt(std::unique_ptr<Window> child);
    /// Sets the rectangle.
    void SetBounds(Rect bounds) { m_bounds = bounds; }
    /// The parent as a headless window.
    Window* ParentWindow() const { return m_parent; }

    std::string m_text; ///< The window text.

  private:
    friend class Desktop;
    Window* m_parent;
    Desktop* m_desktop;
    int m_id;
    unsigned long m_style;
    Rect m_bounds;
    int m_setTextCount = 0;
    std::vector<std::unique_ptr<Window>> m_children;
};

} // namespace mox::headless
