#include <mox/platform/headless/Dialog.h>

#include <mox/platform/CException.h>
#include <mox/platform/headless/Button.h>
#include <mox/platform/headless/ComboBox.h>
#include <mox/platform/headless/Edit.h>
#include <mox/platform/headless/ListBox.h>

#include <memory>

namespace mox::headless {

namespace {
// Column layout: where the controls are matters only to ChildWindowFromPoint.
constexpr int kMargin = 10;
constexpr int kWidth = 200;
constexpr int kHeight = 24;
constexpr int kPitch = 30;
} // namespace

Dialog::Dialog(Desktop& desktop)
    : Window(nullptr, &desktop, 0, 0, Rect{0, 0, kWidth + 2 * kMargin, 2 * kMargin}) {}

Dialog::~Dialog() = default;

Rect Dialog::NextSlot() {
    const int top = kMargin + kPitch * static_cast<int>(Children().size());
    SetBounds(Rect{0, 0, kWidth + 2 * kMargin, top + kPitch + kMargin});
    return Rect{kMargin, top, kMargin + kWidth, top + kHeight};
}

void Dialog::CheckNewId(int id) const {
    // Two controls with one id would make GetDlgItem ambiguous.
    if (GetDlgItem(id) != nullptr) AfxThrowInvalidArgException();
}

Edit& Dialog::AddEdit(int id, unsigned long style) {
    CheckNewId(id);
    const Rect slot = NextSlot();
    return static_cast<Edit&>(Adopt(std::unique_ptr<Window>(new Edit(this, id, style, slot))));
}

ComboBox& Dialog::AddComboBox(int id, unsigned long style) {
    CheckNewId(id);
    const Rect slot = NextSlot();
    return static_cast<ComboBox&>(
        Adopt(std::unique_ptr<Window>(new ComboBox(this, id, style, slot))));
}

ListBox& Dialog::AddListBox(int id, unsigned long style) {
    CheckNewId(id);
    const Rect slot = NextSlot();
    return static_cast<ListBox&>(
        Adopt(std::unique_ptr<Window>(new ListBox(this, id, style, slot))));
}

CheckBox& Dialog::AddCheckBox(int id, bool threeState, unsigned long style) {
    CheckNewId(id);
    const Rect slot = NextSlot();
    return static_cast<CheckBox&>(
        Adopt(std::unique_ptr<Window>(new CheckBox(this, id, style, slot, threeState))));
}

RadioButton& Dialog::AddRadioButton(int id, unsigned long style) {
    CheckNewId(id);
    const Rect slot = NextSlot();
    return static_cast<RadioButton&>(
        Adopt(std::unique_ptr<Window>(new RadioButton(this, id, style, slot))));
}

} // namespace mox::headless
