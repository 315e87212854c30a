// The link cells of edit fields, combo boxes, list boxes, check boxes and radio groups, where
// the shared scenarios cannot look: selections, buffers, ownership and missing controls.

#include "dialog/LinkTesting.h"

#include <mox/headless.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

using namespace moxtest;
using namespace mox::headless;

namespace {

// An application's edit object that drops everything but digits.
class DigitsOnly : public CEdit {
  public:
    explicit DigitsOnly(int& destroyed) : m_destroyed(destroyed) {}
    ~DigitsOnly() override { ++m_destroyed; }

  protected:
    LRESULT WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CHAR && wParam >= 0x20 && !std::isdigit(static_cast<int>(wParam)))
            return 0;
        return CEdit::WindowProc(message, wParam, lParam);
    }

  private:
    int& m_destroyed;
};

using ControlLinkTest = LinkTest;

} // namespace

TEST_F(ControlLinkTest, EditSubclassedObjectIsOwnedAndLetGoWithTheLink) {
    Edit& edit = dialog.AddEdit(10);
    int destroyed = 0;
    {
        CmoxEditLC link(10, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
        CmoxEditLC stray(99, nullptr, Dlg(), "Stray", MOX_UI_PRIORITY, 0);
        ASSERT_NE(0, link.SubclassEditControl(new DigitsOnly(destroyed)));
        EXPECT_EQ(0, stray.SubclassEditControl(new DigitsOnly(destroyed))); // kept all the same
        edit.Type("4a2");
        EXPECT_EQ("42", edit.Text());
        EXPECT_EQ(0, destroyed);
    }
    EXPECT_EQ(2, destroyed);
    edit.Type("b"); // the field is back to its own handling
    EXPECT_EQ("42b", edit.Text());
}

TEST_F(ControlLinkTest, ListLikeControlsSelectTheShownValueOrShowItInTheField) {
    ComboBox& rates = dialog.AddComboBox(21);
    ListBox& list = dialog.AddListBox(30);
    ListBox& counts = dialog.AddListBox(31);
    // A numeric cell selects the item showing its formatted value, or shows it in the field.
    CmoxLongCell rate("Rate", 2400);
    CmoxComboLC rateLink(21, &rate, Dlg(), "Rate", MOX_STATE_PRIORITY, 1);
    rateLink.Formatter(new CmoxFormatter);
    rateLink.InitContents(std::vector<std::string>{"1200", "2400", "9600"});
    rateLink.StateToUI();
    EXPECT_EQ(1, rates.CurSel());
    char text[4];
    std::memset(text, 'x', sizeof text);
    rateLink.GetControlText(text, sizeof text); // cut to the buffer
    EXPECT_STREQ("240", text);
    rate.Value(300L);
    EXPECT_EQ(-1, rates.CurSel());
    EXPECT_EQ("300", rates.Text());
    // A list box keeps its selection when no item begins with the text.
    CmoxStringCell colour("Colour", "Blue");
    CmoxListLC link(30, &colour, Dlg(), "Link", MOX_STATE_PRIORITY, 1);
    link.InitContents(std::vector<std::string>{"Red", "Green", "Blue"});
    link.StateToUI();
    EXPECT_EQ(2, list.CurSel());
    colour.Value("Purple");
    EXPECT_EQ(2, list.CurSel());
    list.Select(0);
    link.UIToState();
    EXPECT_EQ("Red", colour.Value());
    // Without a selection: empty text, and zero for a numeric cell.
    CmoxLongCell count("Count", 7);
    CmoxListLC countLink(31, &count, Dlg(), "Count", MOX_STATE_PRIORITY, 1);
    countLink.Formatter(new CmoxFormatter);
    countLink.InitContents(std::vector<std::string>{"5", "6"});
    EXPECT_EQ(-1, counts.CurSel());
    countLink.GetControlText(text, sizeof text);
    EXPECT_STREQ("", text);
    countLink.UIToState();
    EXPECT_EQ(0, count.Value());
}

TEST_F(ControlLinkTest, CheckBoxAndRadioGroupShowTheValueMissingControlsDoNothing) {
    CheckBox& box = dialog.AddCheckBox(40, true);
    RadioButton& r0 = dialog.AddRadioButton(50, WS_GROUP);
    dialog.AddRadioButton(51);
    RadioButton& r2 = dialog.AddRadioButton(52);
    CmoxBooleanCell flag("Flag", 1);
    CmoxCheckLC check(40, &flag, Dlg(), "Check", MOX_STATE_PRIORITY, 1);
    check.StateToUI();
    EXPECT_EQ(BST_CHECKED, box.State());
    flag.Value(0); // the change notification unchecks the box
    EXPECT_EQ(BST_UNCHECKED, box.State());
    CmoxByteCell mode("Mode", 2);
    CmoxRadioLC radio(50, &mode, Dlg(), "Radio", MOX_STATE_PRIORITY, 1);
    mode.Value(static_cast<unsigned char>(0));
    EXPECT_TRUE(r0.IsChecked());
    r2.Click();
    mode.Value(static_cast<unsigned char>(3)); // no fourth button in the group
    EXPECT_FALSE(r0.IsChecked() || r2.IsChecked());
    CmoxCheckLC noBox(41, &flag, Dlg(), "K", MOX_STATE_PRIORITY, 0);
    CmoxRadioLC noGroup(70, &mode, Dlg(), "R", MOX_STATE_PRIORITY, 0);
    noBox.UIToState();
    noGroup.UIToState();
    noBox.StateToUI();
    EXPECT_EQ(0, flag.Value());
    EXPECT_EQ(3, mode.Value());
}
