#include "dialog/DialogTesting.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace moxtest;
using namespace mox::headless;

namespace {

LPARAM Text(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

// An application dialog: a check box that must be ticked to accept.
class ConsentDialog : public CWnd {
  public:
    int consent = BST_CHECKED;
    int exchanges = 0;

  protected:
    void DoDataExchange(CDataExchange* exchange) override {
        ++exchanges;
        DDX_Check(exchange, 40, consent);
        if (exchange->m_bSaveAndValidate && consent != BST_CHECKED) exchange->Fail();
    }
};

class DialogTest : public HeadlessTest {
  protected:
    std::ostringstream log;
};

} // namespace

// Items found by id, subclassing that refuses taken windows, program writes against typing, text
// cut to the buffer, and the selection replaced by typing.
TEST_F(DialogTest, EditTranscript) {
    Edit& edit = dialog.AddEdit(10);
    dialog.AddEdit(11);
    CWnd* item = Dlg()->GetDlgItem(10);
    EXPECT_TRUE(item->GetSafeHwnd() == edit.Handle() && item->GetDlgCtrlID() == 10 &&
                item->GetParent() == Dlg());
    EXPECT_THROW(dialog.AddListBox(10), CInvalidArgException);
    CEdit first, object;
    // Nothing, no item, item 10, 10 again (taken), 11 with an object already attached.
    log << "subclass " << first.SubclassWindow(nullptr) << first.SubclassDlgItem(99, Dlg())
        << first.SubclassDlgItem(10, Dlg()) << object.SubclassDlgItem(10, Dlg())
        << first.SubclassDlgItem(11, Dlg()) << '\n';
    EXPECT_TRUE(Dlg()->GetDlgItem(10) == &first && first.UnsubclassWindow() == edit.Handle());
    ASSERT_NE(0, object.SubclassWindow(edit.Handle()));
    auto show = [&] {
        log << edit.Text() << " [" << edit.SelStart() << ',' << edit.SelEnd() << "] writes "
            << edit.SetTextCount() << '\n';
    };
    edit.Type("abc"); // typing is no program write
    Dlg()->SetDlgItemText(10, "hello world");
    show();
    char buffer[6];
    log << Dlg()->GetDlgItemText(10, buffer, sizeof buffer) << buffer << ' '
        << item->GetWindowTextLength() << ' ' << Dlg()->GetDlgItemText(12, buffer, sizeof buffer)
        << '\'' << buffer << "'\n";
    Dlg()->SetDlgItemText(12, "ignored"); // no item, no effect, no crash
    object.SetWindowText("12345");
    show();
    object.SetSel(1, 3);
    edit.Type("x");
    show();
    object.SetSel(0, -1);
    object.ReplaceSel("9");
    show();
    edit.Enter("abcd");
    object.SendMessage(EM_SETSEL, 0, -1);
    object.SendMessage(EM_SETSEL, static_cast<WPARAM>(-1), 0); // deselect, caret stays at the end
    show();
    edit.Type("\b");
    show();
    EXPECT_EQ(R"(subclass 00100
hello world [0,0] writes 1
5hello 11 0''
12345 [0,0] writes 2
1x45 [2,2] writes 2
9 [1,1] writes 2
abcd [4,4] writes 2
abc [3,3] writes 2
)",
              log.str());
}

// The two list-like controls answer the same requests under their own message numbers; a combo
// box also shows the selected item in its edit field, a list box's window text is no item.
TEST_F(DialogTest, ComboAndListItemsSelectionAndPrefixSearch) {
    dialog.AddComboBox(20);
    dialog.AddListBox(30);
    const struct {
        int id;
        unsigned int add, count, getSel, setSel, getText, getTextLen, select, find, reset;
        const char* shown;
    } kinds[] = {
        {20, CB_ADDSTRING, CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN,
         CB_SELECTSTRING, CB_FINDSTRING, CB_RESETCONTENT, "Greenish"},
        {30, LB_ADDSTRING, LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL, LB_GETTEXT, LB_GETTEXTLEN,
         LB_SELECTSTRING, LB_FINDSTRING, LB_RESETCONTENT, ""},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.id);
        CWnd* box = Dlg()->GetDlgItem(k.id);
        auto shows = [box] { // a combo box's field, a list box's own window text
            std::string text;
            box->GetWindowText(text);
            return text;
        };
        std::ostringstream out;
        char item[9];
        for (const char* text : {"Red", "Green", "Greenish", "", "Blue"})
            out << box->SendMessage(k.add, 0, Text(text));
        out << " sel " << box->SendMessage(k.getSel) << " set " << box->SendMessage(k.setSel, 2)
            << " shows '" << shows() << "' | item2 " << box->SendMessage(k.getText, 2, Text(item))
            << item << " len3 " << box->SendMessage(k.getTextLen, 3) << " item5 "
            << box->SendMessage(k.getText, 5, Text(item));
        // Prefix search ignores case, starts after the given item and wraps to the top; only the
        // select request selects, and a failed search leaves the selection.
        out << " | select " << box->SendMessage(k.select, 1, Text("Green")) << " find "
            << box->SendMessage(k.find, 2, Text("gREEN")) << " miss "
            << box->SendMessage(k.select, static_cast<WPARAM>(-1), Text("Greenisher")) << " sel "
            << box->SendMessage(k.getSel);
        // Out of range clears the selection, and so does emptying the control.
        out << " | set255 " << box->SendMessage(k.setSel, 255) << " sel "
            << box->SendMessage(k.getSel) << " '" << shows() << '\'';
        box->SendMessage(k.setSel, 0);
        box->SendMessage(k.reset);
        out << " | reset " << box->SendMessage(k.count) << ' ' << box->SendMessage(k.getSel) << " '"
            << shows() << '\'';
        EXPECT_EQ(std::string("01234 sel -1 set 2 shows '") + k.shown +
                      "' | item2 8Greenish len3 0 item5 -1 | select 2 find 1 miss -1 sel 2 | "
                      "set255 -1 sel -1 '' | reset 0 -1 ''",
                  out.str());
    }
}

TEST_F(DialogTest, ComboEditFieldIsAChildItsTrafficAndTypingClearTheSelection) {
    ComboBox& combo = dialog.AddComboBox(20);
    CWnd* box = Dlg()->GetDlgItem(20);
    CWnd* field = box->ChildWindowFromPoint(CPoint(5, 5));
    ASSERT_NE(nullptr, field);
    log << (field->GetSafeHwnd() == combo.EditField().Handle()) << (field->GetParent() == box)
        << (field->GetDlgCtrlID() == ComboBox::kEditFieldId) << box->ChildWindowFromPoint({-1, 5})
        << box->ChildWindowFromPoint({5, 1000}) << ' ';
    box->SendMessage(CB_ADDSTRING, 0, Text("Red"));
    box->SendMessage(CB_ADDSTRING, 0, Text("Green"));
    // An object on the field sees the text the combo box writes and reads, and the typing.
    DigitsOnly recorder;
    ASSERT_NE(0, recorder.SubclassWindow(field->GetSafeHwnd()));
    combo.Select(1);
    box->SetWindowText("Purple"); // writing the text drops the selection
    std::string text;
    box->GetWindowText(text);
    log << box->SendMessage(CB_GETCURSEL) << ' ' << text << ' ' << combo.SetTextCount() << ' ';
    combo.Select(0);
    combo.EditField().Type("4x2"); // and so does typing; selecting put the caret at the start
    log << combo.CurSel() << ' ' << combo.Text();
    EXPECT_EQ("11100 -1 Purple 1 -1 42Red", log.str());
    EXPECT_EQ((std::vector<unsigned int>{WM_SETTEXT, WM_SETTEXT, WM_GETTEXTLENGTH, WM_GETTEXT,
                                         WM_SETTEXT, WM_CHAR, WM_CHAR, WM_CHAR}),
              recorder.messages);
}

// Check boxes and radio groups through DDX and UpdateData: what the links and the shared
// scenarios do not see. After each exchange: "<two-state box><three-state box> <r0 r1 r2><box
// inside the group> value <value>".
TEST_F(DialogTest, ButtonsTranscript) {
    CheckBox& consentBox = dialog.AddCheckBox(40);
    Edit& edit = dialog.AddEdit(10);
    CheckBox& two = dialog.AddCheckBox(42);
    CheckBox& box = dialog.AddCheckBox(41, true);
    RadioButton& r0 = dialog.AddRadioButton(50, WS_GROUP);
    RadioButton& r1 = dialog.AddRadioButton(51);
    CheckBox& inside = dialog.AddCheckBox(55, false, 0);
    RadioButton& r2 = dialog.AddRadioButton(52);
    CDataExchange load(Dlg(), 0), save(Dlg(), 1);
    for (int click = 0; click < 3; ++click) // two states: checked, unchecked, checked
        two.Click();
    r0.Click();
    r2.Click();
    // A two-state box shows the indeterminate state checked, an out-of-range state unchecked;
    // the check box inside the radio group is neither counted nor changed.
    const struct {
        void (*exchange)(CDataExchange*, int, int&);
        CDataExchange* direction;
        int id, value;
    } steps[] = {{DDX_Check, &load, 42, BST_INDETERMINATE},
                 {DDX_Check, &load, 41, BST_INDETERMINATE},
                 {DDX_Check, &save, 41, -5},
                 {DDX_Check, &load, 41, 7},
                 {DDX_Radio, &save, 50, -5},
                 {DDX_Radio, &load, 50, 1}};
    log << two.State() << box.State() << ' ' << r0.IsChecked() << r1.IsChecked() << r2.IsChecked()
        << inside.State() << '\n';
    for (auto step : steps) {
        step.exchange(step.direction, step.id, step.value);
        log << two.State() << box.State() << ' ' << r0.IsChecked() << r1.IsChecked()
            << r2.IsChecked() << inside.State() << " value " << step.value << '\n';
    }
    // UpdateData runs the exchange; a refused save focuses the control.
    ConsentDialog consent;
    ASSERT_NE(0, consent.SubclassWindow(dialog.Handle()));
    log << "consent " << consent.UpdateData(0) << consentBox.State();
    consentBox.Click();
    log << ' ' << consent.UpdateData(1) << consent.consent << consentBox.HasFocus();
    consentBox.Click();
    log << ' ' << consent.UpdateData() << consent.exchanges << '\n';
    // Unknown controls are refused; Fail selects the prepared edit field only when saving.
    int value = 0;
    EXPECT_THROW(save.PrepareCtrl(77), CInvalidArgException);
    EXPECT_THROW(DDX_Check(&save, 77, value), CInvalidArgException);
    edit.Enter("oops");
    load.PrepareEditCtrl(10);
    EXPECT_THROW(load.Fail(), CUserException);
    log << "fail " << edit.HasFocus();
    save.PrepareEditCtrl(10);
    EXPECT_THROW(save.Fail(), CUserException);
    log << edit.HasFocus() << ' ' << edit.SelStart() << '-' << edit.SelEnd();
    EXPECT_EQ(R"(10 0010
10 0010 value 2
12 0010 value 2
12 0010 value 2
10 0010 value 7
10 0010 value 2
10 0100 value 1
consent 11 001 13
fail 01 0-4)",
              log.str());
}

// Desktops nest and refuse foreign windows; focus and beeps are recorded in order; a destroyed
// window detaches its object and loses the focus.
TEST(Dialog, DesktopsNestRefuseForeignWindowsAndRecordFocusAndBeepsInOrder) {
    std::ostringstream log; // `<<` runs its operands in order: focus steps are sequenced
    // Without a desktop: silent, nothing has the focus.
    log << MessageBeep(0xFFFFFFFFu) << CWnd::GetFocus();
    Desktop outer;
    auto dialog = std::make_unique<Dialog>(outer);
    Edit& edit = dialog->AddEdit(10);
    dialog->AddEdit(11);
    CWnd* second = dialog->Wnd()->GetDlgItem(11);
    {
        Desktop inner; // it does not own the field
        MessageBeep(0xFFFFFFFFu);
        log << ' ' << (MoxGetWindowSystem() == &inner) << edit.Wnd()->SetFocus() << CWnd::GetFocus()
            << inner.Beeps().size();
    }
    log << ' ' << (MoxGetWindowSystem() == &outer) << outer.Beeps().size() << edit.Wnd()->SetFocus()
        << edit.HasFocus() << (second->SetFocus() == edit.Wnd()) << (CWnd::GetFocus() == second);
    MessageBeep(0xFFFFFFFFu);
    MessageBeep(MB_ICONEXCLAMATION);
    for (unsigned int beep : outer.Beeps())
        log << ' ' << beep;
    CEdit object;
    ASSERT_NE(0, object.SubclassDlgItem(11, dialog->Wnd()));
    dialog.reset(); // the destroyed field detaches its object and loses the focus
    char text[4] = "abc";
    log << ' ' << CWnd::GetFocus() << object.GetSafeHwnd() << object.GetWindowText(text, 4) << '\''
        << text << '\'';
    EXPECT_EQ("00 1001 100111 4294967295 48 000''", log.str());
}
