#pragma once
/// @file
/// The headless combo box with its edit field.

#include <mox/platform/headless/Window.h>
#include <mox/platform/types.h>

#include <string>
#include <vector>

namespace mox::headless {

class Edit;

/// A drop-down combo box: a list of items (kept in the order added, never sorted), the index
/// of the selected one, and an edit field as its child window (dialog item 1001, filling the
/// box but for the drop-down button, so the point (5, 5) of the box lies in it).
///
/// Selecting an item (CB_SETCURSEL, CB_SELECTSTRING, the user's Select) writes its text into
/// the edit field; any other change of the field's text (WM_SETTEXT to the box or the field,
/// the user typing) clears the selection, since the text then no longer comes from the list.
/// The box's window text is the field's. Prefix searches ignore ASCII case, as list controls
/// do. Made by Dialog::AddComboBox; owned by its dialog.
class MOX_API ComboBox : public Window {
  public:
    /// Dialog item identifier of the edit field inside the box.
    static constexpr int kEditFieldId = 1001;

    /// The combo box's handling of `message` (CB_..., and the window-text messages, which go
    /// to the edit field).
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;
    /// The edit field's text.
    const std::string& Text() const override;

    /// The edit field, a child window of the box.
    Edit& EditField() { return *m_field; }
    /// The items in order.
    const std::vector<std::string>& Items() const { return m_items; }
    /// The selected index, -1 when none.
    int CurSel() const { return m_curSel; }
    /// The user picks item `index` from the drop-down list (through the message path).
    void Select(int index);

  private:
    friend class Dialog;
    class Field;
    ComboBox(Window* parent, int id, unsigned long style, Rect bounds);
    void FieldEdited();
    LRESULT SelectIndex(long long index);

    std::vector<std::string> m_items;
    int m_curSel = -1;
    Edit* m_field;          // owned as a child window
    bool m_syncing = false; // the box itself is writing the field
};

} // namespace mox::headless
