#pragma once
/// @file
/// A Qt widget seen as a native window of the dialog layer.

#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

#include <QPointer>
#include <QWidget>

#include <vector>

class CWnd;

namespace mox::qt {

class Dialog;

/// One widget adopted by a Dialog, seen through the window interface: an identifier, style
/// bits, a parent (the nearest adopted ancestor) and children in dialog order (the order of
/// adoption). Geometry is the widget's own, so ChildWindowFromPoint hits what is on screen.
/// Subclasses translate the control messages for line edits, combo boxes, list widgets, check
/// boxes and radio buttons; this base gives any other widget (a dialog, a label, a button) a
/// window text. Made and owned by its Dialog; it never owns the widget, and answers every
/// message with 0 once the widget is gone. GUI thread only.
class MOX_API Window : public MoxWindow {
  public:
    ~Window() override;

    /// The window-text messages, on the widget's title, text or caption; 0 for others.
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;
    /// The identifier given at adoption (0 for the dialog).
    int GetDlgCtrlID() const override;
    /// The style given at adoption (WS_GROUP, WS_TABSTOP).
    unsigned long GetStyle() const override;
    /// The nearest adopted ancestor, or null for the dialog.
    HWND GetParent() const override;
    /// The first adopted child with identifier `id`, or null.
    HWND GetDlgItem(int id) const override;
    /// The next adopted child of the same parent, or null after the last.
    HWND GetNextWindow() const override;
    /// The adopted child whose widget's rectangle holds `point` (client coordinates of this
    /// widget), else this window if the point is inside the widget, else null.
    HWND ChildWindowFromPoint(CPoint point) const override;

    /// The widget (null once it was destroyed).
    QWidget* Widget() const { return m_widget.data(); }
    /// The window's CWnd: the attached object, or the window's own stand-in.
    CWnd* Wnd() { return Object(); }
    /// The adopted children in dialog order.
    const std::vector<Window*>& Children() const { return m_children; }
    /// The adopted window of `widget`, or null.
    static Window* FromWidget(const QWidget* widget);

  protected:
    /// A window for `widget` under `parent` (null for a dialog).
    Window(QWidget* widget, Window* parent, int id, unsigned long style);

  private:
    friend class Dialog;
    QPointer<QWidget> m_widget;
    Window* m_parent;
    int m_id;
    unsigned long m_style;
    std::vector<Window*> m_children; // borrowed, in dialog order; the Dialog owns all windows
};

} // namespace mox::qt
