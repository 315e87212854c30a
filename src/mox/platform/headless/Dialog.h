#pragma once
/// @file
/// The headless dialog: a top-level window holding controls.

#include <mox/platform/headless/Window.h>
#include <mox/platform/types.h>

namespace mox::headless {

class CheckBox;
class ComboBox;
class Edit;
class ListBox;
class RadioButton;

/// A dialog of the headless backend: a top-level window on a Desktop that owns its controls.
/// Controls are added in dialog order and laid out in a column; a control added with the
/// WS_GROUP style starts a group that runs to the next such control (radio groups). Control
/// identifiers must be unique within the dialog. The application attaches its dialog object
/// (a CWnd subclass with DoDataExchange) with SubclassWindow(Handle()), or uses Wnd().
/// Destroying the dialog destroys its controls and detaches their objects. One thread only.
class MOX_API Dialog : public Window {
  public:
    /// An empty dialog on `desktop`, which must outlive it.
    explicit Dialog(Desktop& desktop);
    ~Dialog() override;

    /// Adds an edit field with identifier `id`.
    Edit& AddEdit(int id, unsigned long style = WS_TABSTOP);
    /// Adds a drop-down combo box (with its edit field) with identifier `id`.
    ComboBox& AddComboBox(int id, unsigned long style = WS_TABSTOP);
    /// Adds a single-selection list box with identifier `id`.
    ListBox& AddListBox(int id, unsigned long style = WS_TABSTOP);
    /// Adds a check box with identifier `id`, three-state when `threeState`.
    CheckBox& AddCheckBox(int id, bool threeState = false, unsigned long style = WS_TABSTOP);
    /// Adds a radio button with identifier `id`; pass WS_GROUP for the first of a group.
    RadioButton& AddRadioButton(int id, unsigned long style = 0);

  private:
    Rect NextSlot();
    void CheckNewId(int id) const;
};

} // namespace mox::headless
