// The link cells of edit fields, combo boxes, list boxes, check boxes and radio groups.

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

class ControlLinkTest : public LinkTest {
  protected:
    void Fill(CmoxLinkCell& link) {
        link.InitContents(std::vector<std::string>{"Red", "Green", "Blue"});
    }
};

} // namespace

// ---- edit fields -------------------------------------------------------------------------------

TEST_F(ControlLinkTest, EditSubclassedObjectFiltersKeysAndIsOwnedEvenWhenNoControlTakesIt) {
    Edit& edit = dialog.AddEdit(10);
    int destroyed = 0;
    {
        CmoxEditLC link(10, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
        auto* digits = new DigitsOnly(destroyed);
        ASSERT_NE(0, link.SubclassEditControl(digits));
        EXPECT_EQ(digits, link.EditControl());
        edit.Type("4a2");
        EXPECT_EQ("42", edit.Text());
    }
    EXPECT_EQ(1, destroyed);
    edit.Type("b"); // the field is back to its own handling
    EXPECT_EQ("42b", edit.Text());
    {
        CmoxEditLC link(99, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
        EXPECT_EQ(0, link.SubclassEditControl(new DigitsOnly(destroyed)));
        EXPECT_EQ(1, destroyed); // kept by the link although no control took it
    }
    EXPECT_EQ(2, destroyed);
    // A combo box's link subclasses its edit field: the shared scenarios, whose leak check the
    // sanitizer build makes.
}

// ---- combo boxes -------------------------------------------------------------------------------

TEST_F(ControlLinkTest, ComboShowsNonItemsInTheFieldAndReadsTheItemOrTheField) {
    ComboBox& combo = dialog.AddComboBox(20);
    CmoxStringCell colour("Colour", "Purple");
    CmoxComboLC link(20, &colour, Dlg(), "Link", MOX_STATE_PRIORITY, 1);
    Fill(link); // showing a string by prefix: the shared scenarios
    combo.Select(2);
    link.UIToState();
    EXPECT_EQ("Blue", colour.Value());
    combo.EditField().Enter("Teal"); // typing drops the selection
    link.UIToState();
    EXPECT_EQ("Teal", colour.Value());
    // A numeric cell selects the item showing its formatted value, or shows it in the field.
    ComboBox& rates = dialog.AddComboBox(21);
    CmoxLongCell rate("Rate", 2400);
    CmoxComboLC rateLink(21, &rate, Dlg(), "Rate", MOX_STATE_PRIORITY, 1);
    rateLink.Formatter(new CmoxFormatter);
    rateLink.InitContents(std::vector<std::string>{"1200", "2400", "9600"});
    rateLink.StateToUI();
    EXPECT_EQ(1, rates.CurSel());
    rate.Value(300L);
    EXPECT_EQ(-1, rates.CurSel());
    EXPECT_EQ("300", rates.Text());
}

TEST_F(ControlLinkTest, ControlTextIsCutToTheBufferAndEmptyWithoutSelection) {
    ComboBox& combo = dialog.AddComboBox(20);
    dialog.AddListBox(30);
    CmoxComboLC comboLink(20, nullptr, Dlg(), "Link", MOX_UI_PRIORITY, 0);
    Fill(comboLink);
    combo.Select(1);
    char text[4];
    std::memset(text, 'x', sizeof text);
    comboLink.GetControlText(text, sizeof text);
    EXPECT_STREQ("Gre", text);
    // A list box without selection: empty text, and zero for a numeric cell.
    CmoxLongCell count("Count", 7);
    CmoxListLC listLink(30, &count, Dlg(), "Link", MOX_STATE_PRIORITY, 1);
    listLink.Formatter(new CmoxFormatter);
    listLink.InitContents(std::vector<std::string>{"5", "6"});
    listLink.GetControlText(text, sizeof text);
    EXPECT_STREQ("", text);
    listLink.UIToState();
    EXPECT_EQ(0, count.Value());
}

// ---- list boxes --------------------------------------------------------------------------------

TEST_F(ControlLinkTest, ListTextNoItemBeginsWithLeavesTheSelection) {
    ListBox& list = dialog.AddListBox(30);
    CmoxStringCell colour("Colour", "Blue");
    CmoxListLC link(30, &colour, Dlg(), "Link", MOX_STATE_PRIORITY, 1);
    Fill(link);
    link.StateToUI();
    EXPECT_EQ(2, list.CurSel());
    colour.Value("Purple");
    EXPECT_EQ(2, list.CurSel());
    list.Select(0);
    link.UIToState();
    EXPECT_EQ("Red", colour.Value());
}

// ---- check boxes and radio groups --------------------------------------------------------------

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
    EXPECT_NO_THROW(noBox.UIToState());
    EXPECT_NO_THROW(noGroup.UIToState());
    EXPECT_NO_THROW(noBox.StateToUI());
    EXPECT_EQ(0, flag.Value());
    EXPECT_EQ(3, mode.Value());
}
