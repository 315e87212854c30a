#pragma once
/// @file
/// The headless single-selection list box.

#include <mox/platform/headless/Window.h>
#include <mox/platform/types.h>

#include <string>
#include <vector>

namespace mox::headless {

/// A single-selection list box: items in the order added (never sorted) and the selected
/// index. Understands LB_ADDSTRING, LB_RESETCONTENT, LB_SETCURSEL, LB_GETCURSEL, LB_GETTEXT,
/// LB_GETTEXTLEN, LB_GETCOUNT, LB_FINDSTRING and LB_SELECTSTRING (prefix searches ignore ASCII
/// case, as list controls do); its window text is a caption of its own, not an item. Made by
/// Dialog::AddListBox; owned by its dialog.
class MOX_API ListBox : public Window {
  public:
    /// The list box's handling of `message`.
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;

    /// The items in order.
    const std::vector<std::string>& Items() const { return m_items; }
    /// The selected index, -1 when none.
    int CurSel() const { return m_curSel; }
    /// The user clicks item `index` (through the message path).
    void Select(int index);

  private:
    friend class Dialog;
    ListBox(Window* parent, int id, unsigned long style, Rect bounds);

    std::vector<std::string> m_items;
    int m_curSel = -1;
};

} // namespace mox::headless
