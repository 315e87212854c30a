#pragma once
/// @file
/// The headless check box and radio button.

#include <mox/platform/headless/Window.h>
#include <mox/platform/types.h>

namespace mox::headless {

/// A check box, two-state or three-state. BM_GETCHECK answers its state; BM_SETCHECK sets it:
/// a three-state box takes 0, 1 and 2 (BST_INDETERMINATE), a two-state box shows every
/// non-zero state as checked, and any other non-zero value checks either kind. A click cycles
/// unchecked, checked (, indeterminate). Its window text is its label. Made by
/// Dialog::AddCheckBox; owned by its dialog.
class MOX_API CheckBox : public Window {
  public:
    /// The check box's handling of `message` (BM_..., WM_GETDLGCODE, window text).
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;

    /// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    int State() const { return m_state; }
    /// Whether the box has a third, indeterminate state.
    bool IsThreeState() const { return m_threeState; }
    /// The user clicks the box (the next state goes through the message path as BM_SETCHECK).
    void Click();

  private:
    friend class Dialog;
    CheckBox(Window* parent, int id, unsigned long style, Rect bounds, bool threeState);

    bool m_threeState;
    int m_state = BST_UNCHECKED;
};

/// A radio button. BM_GETCHECK answers 0 or 1; BM_SETCHECK checks it for any non-zero value
/// and leaves the other buttons alone. A click checks it and unchecks the other radio buttons
/// of its group: from the nearest control at or before it that has the WS_GROUP style up to
/// the next one that has it. Made by Dialog::AddRadioButton; owned by its dialog.
class MOX_API RadioButton : public Window {
  public:
    /// The radio button's handling of `message` (BM_..., WM_GETDLGCODE, window text).
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;

    /// Whether the button is checked.
    bool IsChecked() const { return m_checked; }
    /// The user clicks the button (each change goes through the message path).
    void Click();

  private:
    friend class Dialog;
    RadioButton(Window* parent, int id, unsigned long style, Rect bounds);

    bool m_checked = false;
};

} // namespace mox::headless
