#include <mox/platform/CDataExchange.h>
#include <mox/platform/CEdit.h>
#include <mox/platform/CException.h>
#include <mox/platform/CWnd.h>
#include <mox/platform/MessageBox.h>
#include <mox/platform/headless/Button.h>
#include <mox/platform/headless/ComboBox.h>
#include <mox/platform/headless/Desktop.h>
#include <mox/platform/headless/Dialog.h>
#include <mox/platform/headless/Edit.h>
#include <mox/platform/headless/ListBox.h>

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace mox::headless;

namespace {

const unsigned int kSimpleBeep = 0xFFFFFFFFu;

LPARAM Text(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}
WPARAM Index(int index) {
    return static_cast<WPARAM>(index);
}

// An application's edit object that lets only digits through.
class DigitsOnlyEdit : public CEdit {
  protected:
    LRESULT WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CHAR && wParam >= 0x20 && !std::isdigit(static_cast<int>(wParam)))
            return 0;
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

// Logs every message it sees before passing it on.
class RecordingWnd : public CEdit {
  public:
    std::vector<unsigned int> messages;

  protected:
    LRESULT WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

class DialogTest : public ::testing::Test {
  protected:
    Desktop desktop;
    Dialog dialog{desktop};
    CWnd* Dlg() { return dialog.Wnd(); }
};

} // namespace

TEST_F(DialogTest, ItemsAreFoundByIdTheirTextIsCutToTheBufferAndSubclassingRefusesTakenWindows) {
    Edit& edit = dialog.AddEdit(10);
    CWnd* item = Dlg()->GetDlgItem(10);
    EXPECT_EQ(edit.Handle(), item->GetSafeHwnd());
    EXPECT_EQ(10, item->GetDlgCtrlID());
    EXPECT_EQ(Dlg(), item->GetParent());
    EXPECT_THROW(dialog.AddListBox(10), CInvalidArgException);
    edit.Type("abc");
    EXPECT_EQ(0, edit.SetTextCount()); // typing is no program write
    Dlg()->SetDlgItemText(10, "hello world");
    EXPECT_EQ(1, edit.SetTextCount());
    char buffer[6];
    EXPECT_EQ(5, Dlg()->GetDlgItemText(10, buffer, sizeof buffer));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ(11, item->GetWindowTextLength());
    EXPECT_EQ(0, Dlg()->GetDlgItemText(11, buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    Dlg()->SetDlgItemText(11, "ignored"); // no item, no effect, no crash
    dialog.AddEdit(11);
    CEdit first, second;
    EXPECT_EQ(0, first.SubclassWindow(nullptr));
    EXPECT_EQ(0, first.SubclassDlgItem(99, Dlg()));
    ASSERT_NE(0, first.SubclassDlgItem(10, Dlg()));
    EXPECT_EQ(&first, Dlg()->GetDlgItem(10));
    EXPECT_EQ(0, second.SubclassDlgItem(10, Dlg())); // already has an object
    EXPECT_EQ(0, first.SubclassDlgItem(11, Dlg()));  // already attached elsewhere
    HWND window = first.UnsubclassWindow();
    EXPECT_EQ(edit.Handle(), window);
    EXPECT_NE(0, second.SubclassWindow(window));
}

TEST(Dialog, DestroyedWindowDetachesItsObjectAndLosesTheFocus) {
    Desktop desktop;
    auto dialog = std::make_unique<Dialog>(desktop);
    dialog->AddEdit(10);
    CEdit edit;
    ASSERT_NE(0, edit.SubclassDlgItem(10, dialog->Wnd()));
    dialog->Wnd()->GetDlgItem(10)->SetFocus();
    dialog.reset();
    EXPECT_EQ(nullptr, CWnd::GetFocus());
    EXPECT_EQ(nullptr, edit.GetSafeHwnd());
    char buffer[4] = "abc";
    EXPECT_EQ(0, edit.GetWindowText(buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
}

TEST_F(DialogTest, EditSelectionIsReplacedByTypingAndBackspace) {
    Edit& edit = dialog.AddEdit(10);
    CEdit object;
    ASSERT_NE(0, object.SubclassWindow(edit.Handle()));
    object.SetWindowText("12345");
    int start = -1, end = -1;
    object.GetSel(start, end);
    EXPECT_EQ(std::make_pair(0, 0), std::make_pair(start, end)); // caret at the start
    object.SetSel(1, 3);
    edit.Type("x");
    EXPECT_EQ("1x45", edit.Text());
    object.SetSel(0, -1);
    object.ReplaceSel("9");
    EXPECT_EQ("9", edit.Text());
    edit.Enter("abcd");
    object.SendMessage(EM_SETSEL, 0, -1);
    object.SendMessage(EM_SETSEL, Index(-1), 0); // deselect, caret stays at the end
    EXPECT_EQ(4, edit.SelStart());
    edit.Type("\b");
    EXPECT_EQ("abc", edit.Text());
    EXPECT_EQ(3, edit.SelEnd());
}

// ---- combo boxes ------------------------------------------------------------------------------

TEST_F(DialogTest, ComboAndListItemsSelectionAndPrefixSearch) {
    // The two controls answer the same requests under their own message numbers; a combo box
    // also shows the selected item in its edit field, a list box's window text is no item.
    ComboBox& combo = dialog.AddComboBox(20);
    ListBox& list = dialog.AddListBox(30);
    const struct {
        int id;
        unsigned int add, count, getSel, setSel, getText, getTextLen, select, find, reset;
        std::function<int()> curSel;
        std::function<std::string()> text;
        bool showsSelection;
    } kinds[] = {
        {20, CB_ADDSTRING, CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN,
         CB_SELECTSTRING, CB_FINDSTRING, CB_RESETCONTENT, [&] { return combo.CurSel(); },
         [&] { return combo.EditField().Text(); }, true},
        {30, LB_ADDSTRING, LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL, LB_GETTEXT, LB_GETTEXTLEN,
         LB_SELECTSTRING, LB_FINDSTRING, LB_RESETCONTENT, [&] { return list.CurSel(); },
         [&] { return list.Text(); }, false},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.id);
        CWnd* box = Dlg()->GetDlgItem(k.id);
        int index = 0;
        for (const char* item : {"Red", "Green", "Greenish", "", "Blue"})
            EXPECT_EQ(index++, box->SendMessage(k.add, 0, Text(item)));
        EXPECT_EQ(-1, box->SendMessage(k.getSel));
        EXPECT_EQ(2, box->SendMessage(k.setSel, 2));
        EXPECT_EQ(k.showsSelection ? "Greenish" : "", k.text());
        char item[9];
        EXPECT_EQ(8, box->SendMessage(k.getText, 2, Text(item)));
        EXPECT_STREQ("Greenish", item);
        EXPECT_EQ(0, box->SendMessage(k.getTextLen, 3));
        EXPECT_EQ(-1, box->SendMessage(k.getText, 5, Text(item)));
        // Prefix search ignores case, starts after the given item and wraps to the top; only
        // the select request selects, and a failed search leaves the selection.
        EXPECT_EQ(2, box->SendMessage(k.select, 1, Text("Green")));
        EXPECT_EQ(1, box->SendMessage(k.find, 2, Text("gREEN")));
        EXPECT_EQ(-1, box->SendMessage(k.select, Index(-1), Text("Greenisher")));
        EXPECT_EQ(2, k.curSel());
        EXPECT_EQ(-1, box->SendMessage(k.setSel, 255)); // out of range clears the selection
        EXPECT_EQ(-1, k.curSel());
        EXPECT_EQ("", k.text());
        box->SendMessage(k.setSel, 0);
        box->SendMessage(k.reset);
        EXPECT_EQ(0, box->SendMessage(k.count));
        EXPECT_EQ(-1, box->SendMessage(k.getSel));
        EXPECT_EQ("", k.text());
    }
}

TEST_F(DialogTest, ComboEditFieldIsAChildItsTrafficAndTypingClearTheSelection) {
    ComboBox& combo = dialog.AddComboBox(20);
    CWnd* box = Dlg()->GetDlgItem(20);
    CWnd* field = box->ChildWindowFromPoint(CPoint(5, 5));
    ASSERT_NE(nullptr, field);
    EXPECT_EQ(combo.EditField().Handle(), field->GetSafeHwnd());
    EXPECT_EQ(ComboBox::kEditFieldId, field->GetDlgCtrlID());
    EXPECT_EQ(box, field->GetParent());
    EXPECT_EQ(nullptr, box->ChildWindowFromPoint(CPoint(-1, 5)));
    EXPECT_EQ(nullptr, box->ChildWindowFromPoint(CPoint(5, 1000)));
    box->SendMessage(CB_ADDSTRING, 0, Text("Red"));
    box->SendMessage(CB_ADDSTRING, 0, Text("Green"));
    // An object on the field sees the text the combo box writes and reads through it.
    RecordingWnd recorder;
    ASSERT_NE(0, recorder.SubclassWindow(field->GetSafeHwnd()));
    combo.Select(1);
    box->SetWindowText("Purple"); // writing the text drops the selection
    EXPECT_EQ(CB_ERR, box->SendMessage(CB_GETCURSEL));
    std::string text;
    box->GetWindowText(text);
    EXPECT_EQ("Purple", text);
    EXPECT_EQ(1, combo.SetTextCount());
    const std::vector<unsigned int> expected{WM_SETTEXT, WM_SETTEXT, WM_GETTEXTLENGTH, WM_GETTEXT};
    EXPECT_EQ(expected, recorder.messages);
    combo.Select(0);
    combo.EditField().Type("dish"); // and so does typing
    EXPECT_EQ(-1, combo.CurSel());
    EXPECT_EQ("dishRed", combo.Text()); // selecting put the caret at the start
}

// ---- check boxes and radio groups ------------------------------------------------------------

// Radio links and the shared scenarios exchange plain groups; here what only DDX sees.
TEST_F(DialogTest, DdxCheckAndDdxRadioExchangeStatesAndShowInvalidOnesSafely) {
    CheckBox& two = dialog.AddCheckBox(42);
    CheckBox& box = dialog.AddCheckBox(41, true);
    // Radio group 50..52 with a check box inside it.
    RadioButton& r0 = dialog.AddRadioButton(50, WS_GROUP);
    RadioButton& r1 = dialog.AddRadioButton(51);
    CheckBox& inside = dialog.AddCheckBox(55, false, 0);
    RadioButton& r2 = dialog.AddRadioButton(52);
    two.Click();
    two.Click();
    two.Click(); // two states: checked, unchecked, checked
    EXPECT_EQ(BST_CHECKED, two.State());
    CDataExchange load(Dlg(), 0), save(Dlg(), 1);
    int value = BST_INDETERMINATE; // a two-state box shows it checked
    DDX_Check(&load, 42, value);
    EXPECT_EQ(BST_CHECKED, two.State());
    DDX_Check(&load, 41, value);
    value = -5;
    DDX_Check(&save, 41, value);
    EXPECT_EQ(BST_INDETERMINATE, value);
    value = 7; // out of range: shown unchecked
    DDX_Check(&load, 41, value);
    EXPECT_EQ(BST_UNCHECKED, box.State());
    r0.Click();
    r2.Click();
    DDX_Radio(&save, 50, value);
    EXPECT_EQ(2, value); // the check box between is not counted
    value = 1;
    DDX_Radio(&load, 50, value);
    EXPECT_EQ((std::vector<bool>{false, true, false}),
              (std::vector<bool>{r0.IsChecked(), r1.IsChecked(), r2.IsChecked()}));
    EXPECT_EQ(BST_UNCHECKED, inside.State()); // the check box was left alone
}

// ---- focus, beeps and data exchange -----------------------------------------------------------

TEST(Dialog, DesktopsNestRefuseForeignWindowsAndRecordFocusAndBeepsInOrder) {
    EXPECT_EQ(0, MessageBeep(kSimpleBeep)); // without a desktop: silent, nothing has the focus
    EXPECT_EQ(nullptr, CWnd::GetFocus());
    Desktop outer;
    Dialog dialog(outer);
    Edit& edit = dialog.AddEdit(10);
    dialog.AddEdit(11);
    {
        Desktop inner;
        EXPECT_EQ(&inner, MoxGetWindowSystem());
        EXPECT_EQ(nullptr, dialog.Wnd()->GetDlgItem(10)->SetFocus());
        EXPECT_EQ(nullptr, CWnd::GetFocus()); // the inner desktop does not own the field
        MessageBeep(kSimpleBeep);
        EXPECT_EQ(1u, inner.Beeps().size());
    }
    EXPECT_EQ(&outer, MoxGetWindowSystem());
    EXPECT_TRUE(outer.Beeps().empty());
    EXPECT_EQ(nullptr, edit.Wnd()->SetFocus());
    EXPECT_TRUE(edit.HasFocus());
    CWnd* second = dialog.Wnd()->GetDlgItem(11);
    EXPECT_EQ(edit.Wnd(), second->SetFocus()); // returns the previous holder
    EXPECT_EQ(second, CWnd::GetFocus());
    MessageBeep(kSimpleBeep);
    MessageBeep(MB_ICONEXCLAMATION);
    EXPECT_EQ((std::vector<unsigned int>{kSimpleBeep, MB_ICONEXCLAMATION}), outer.Beeps());
}

namespace {

// An application dialog: a check box that must be ticked to accept.
class ConsentDialog : public CWnd {
  public:
    int consent = BST_UNCHECKED;
    int exchanges = 0;

  protected:
    void DoDataExchange(CDataExchange* exchange) override {
        ++exchanges;
        DDX_Check(exchange, 40, consent);
        if (exchange->m_bSaveAndValidate && consent != BST_CHECKED) exchange->Fail();
    }
};

} // namespace

TEST_F(DialogTest, UpdateDataRunsTheExchangeAndFailSelectsTheFieldOnlyWhenSaving) {
    CheckBox& box = dialog.AddCheckBox(40);
    Edit& edit = dialog.AddEdit(10);
    ConsentDialog consent;
    ASSERT_NE(0, consent.SubclassWindow(dialog.Handle()));
    consent.consent = BST_CHECKED;
    EXPECT_EQ(1, consent.UpdateData(0));
    EXPECT_EQ(BST_CHECKED, box.State());
    box.Click();
    EXPECT_EQ(0, consent.UpdateData(1));
    EXPECT_EQ(BST_UNCHECKED, consent.consent);
    EXPECT_TRUE(box.HasFocus());
    box.Click();
    EXPECT_EQ(1, consent.UpdateData());
    EXPECT_EQ(3, consent.exchanges);
    // Unknown controls are refused; Fail selects the prepared edit field only when saving.
    CDataExchange load(Dlg(), 0), save(Dlg(), 1);
    EXPECT_THROW(save.PrepareCtrl(77), CInvalidArgException);
    int value = 0;
    EXPECT_THROW(DDX_Check(&save, 77, value), CInvalidArgException);
    edit.Enter("oops");
    load.PrepareEditCtrl(10);
    EXPECT_THROW(load.Fail(), CUserException);
    EXPECT_FALSE(edit.HasFocus());
    save.PrepareEditCtrl(10);
    EXPECT_THROW(save.Fail(), CUserException);
    EXPECT_TRUE(edit.HasFocus());
    EXPECT_EQ(0, edit.SelStart());
    EXPECT_EQ(4, edit.SelEnd());
}
