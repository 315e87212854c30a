// Dialog scenarios that every control backend must pass alike: the link cells and the dialog
// layer are the same, only the widgets underneath differ.

#include "dialog/DialogTesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace moxtest;

namespace {

template <class Backend> class Scenario : public MoxTest {
  protected:
    Backend backend;
    /// What control `id` answers to `message`, asked the way the link cells ask it.
    LRESULT Ask(int id, unsigned int message) { return Item(id)->SendMessage(message); }
    /// The text control `id` shows (a combo box: its field).
    std::string Text(int id) {
        std::string text;
        Item(id)->GetWindowText(text);
        return text;
    }
    bool HasFocus(int id) { return CWnd::GetFocus() == Item(id); }
    CWnd* Item(int id) { return backend.Dlg()->GetDlgItem(id); }
};

#if MOX_TEST_QT
using Backends = ::testing::Types<HeadlessBackend, QtBackend>;
#else
using Backends = ::testing::Types<HeadlessBackend>;
#endif
TYPED_TEST_SUITE(Scenario, Backends);

// The text a link reads from its control, in a buffer of `size` bytes.
std::string ControlText(CmoxLinkCell& link, int size = 8) {
    std::vector<char> text(size, 'x');
    link.GetControlText(text.data(), size);
    return text.data();
}

} // namespace

// Typed into a field, committed into a 64-bit cell that clamps and quantizes, shown by another
// field only when the outermost transaction ends, and undone by the user's Ctrl+Z.
TYPED_TEST(Scenario, RoadOfOneChangeFromTypingToUndo) {
    auto& ui = this->backend;
    ui.AddEdit(10);
    ui.AddEdit(11);
    ui.Show();
    CmoxLongLongCell period("Period", 100, 100);
    period.InitRangeAndSize(0, 1000, 10);
    std::vector<__int64> seen; // a state dependent sees each stored value at once
    UpdateLog log;
    RecordingCell model("Model", MOX_STATE_PRIORITY, log);
    model.onUpdate = [&](CmoxChangedList&) { seen.push_back(period.Value()); };
    period.AddDependent(&model);
    CmoxEditLC entry(10, &period, ui.Dlg(), "Entry", MOX_UI_PRIORITY, 1);
    CmoxEditLC readout(11, &period, ui.Dlg(), "Readout", MOX_UI_PRIORITY, 1);
    for (CmoxEditLC* link : {&entry, &readout}) {
        link->Formatter(new CmoxFormatter);
        link->StateToUI();
    }
    CmoxUndoContext* history = MoxTest::Engine().GetUndoContext("Dialog");
    ui.Watch(entry, history);
    // "<period> beeps<n> focus<0|1> <entry field> <readout field>"
    auto state = [&] {
        return Joined(period.Value(), "beeps" + std::to_string(ui.Beeps()),
                      "focus" + std::to_string(this->HasFocus(10)), this->Text(10), this->Text(11));
    };

    ui.Enter(10, "347"); // quantized to the increment of 10
    ui.Commit(10);
    EXPECT_EQ("340 beeps1 focus1 340 340", state());
    // Inside an outer transaction the fields wait for its end; the other is written once.
    Cmox& engine = MoxTest::Engine();
    engine.BeginTransaction(history, "Set period");
    ui.Enter(10, "12,345"); // clamped to the maximum
    ui.Commit(10);
    EXPECT_EQ("1000 beeps2 focus1 12,345 340", state()); // both fields wait for the end
    const int writes = ui.Writes(11);
    engine.EndTransaction();
    EXPECT_EQ("1000 beeps2 focus1 1000 1000", state());
    EXPECT_EQ(writes + 1, ui.Writes(11));
    EXPECT_EQ((std::vector<__int64>{340, 1000}), seen);
    ASSERT_EQ((std::vector<std::string>{"Set period", "Entry"}), history->UndoDescriptions());
    ui.UndoKey(); // undo itself does not beep
    EXPECT_EQ("340 beeps2 focus1 340 340", state());
}

// Items, selection by index, by the shown value and by prefix, and the combo box's field under
// an application's key filter, found at the point the link cell looks for it.
TYPED_TEST(Scenario, ComboAndListExchangeIndexesAndTextAndTheComboFieldFiltersKeys) {
    auto& ui = this->backend;
    for (int id : {20, 21, 22})
        ui.AddCombo(id);
    for (int id : {30, 31, 32})
        ui.AddList(id);
    ui.Show();
    const std::vector<std::string> colours{"Red", "Green", "Blue"};
    CmoxByteCell colour("Colour", 2), size("Size", 1);
    CmoxStringCell name("Name", "gre"), shade("Shade", "Blue");
    CmoxLongCell rate("Rate", 2400), count("Count", 7);
    CmoxComboLC comboLink(20, &colour, ui.Dlg(), "Combo", MOX_STATE_PRIORITY, 1);
    CmoxComboLC nameLink(21, &name, ui.Dlg(), "Name", MOX_STATE_PRIORITY, 1);
    CmoxComboLC rateLink(22, &rate, ui.Dlg(), "Rate", MOX_STATE_PRIORITY, 1);
    CmoxListLC listLink(30, &size, ui.Dlg(), "List", MOX_STATE_PRIORITY, 1);
    CmoxListLC shadeLink(31, &shade, ui.Dlg(), "Shade", MOX_STATE_PRIORITY, 1);
    CmoxListLC countLink(32, &count, ui.Dlg(), "Count", MOX_STATE_PRIORITY, 1);
    for (CmoxLinkCell* link :
         std::vector<CmoxLinkCell*>{&comboLink, &nameLink, &listLink, &shadeLink}) {
        link->InitContents(colours);
        link->StateToUI();
    }
    rateLink.Formatter(new CmoxFormatter);
    countLink.Formatter(new CmoxFormatter);
    rateLink.InitContents(std::vector<std::string>{"1200", "2400", "9600"});
    countLink.InitContents(std::vector<std::string>{"5", "6"});
    rateLink.StateToUI(); // a numeric cell selects the item showing its formatted value
    // A prefix selects the item, case ignored; the rate's text is cut to the buffer.
    EXPECT_EQ("Blue Green 1 Green 240",
              Joined(this->Text(20), this->Text(21), this->Ask(22, CB_GETCURSEL),
                     ControlText(listLink), ControlText(rateLink, 4)));
    ui.Pick(20, 0);
    comboLink.UIToState();
    ui.Pick(30, 2);
    listLink.UIToState();
    colour.Value(static_cast<unsigned char>(1)); // the change notification selects item 1
    EXPECT_EQ("Green 2", Joined(this->Text(20), size.Value()));
    ui.Enter(20, "Teal"); // typing over the item drops the selection
    comboLink.UIToState();
    EXPECT_EQ(255, colour.Value());
    colour.InitRange(0, 1); // the index respects the range, without beeping
    ui.Pick(20, 2);
    comboLink.UIToState();
    EXPECT_EQ("1 0", Joined(colour.Value(), ui.Beeps()));
    // Text no item begins with goes to a combo box's field; a list box keeps its selection.
    rate.Value(300L);
    name.Value("Purple");
    shade.Value("Purple");
    EXPECT_EQ("-1 300 Purple Purple 2",
              Joined(this->Ask(22, CB_GETCURSEL), this->Text(22), this->Text(21),
                     ControlText(nameLink), this->Ask(31, LB_GETCURSEL)));
    ui.Pick(21, 2); // a picked item is read as its text
    nameLink.UIToState();
    ui.Pick(31, 0);
    shadeLink.UIToState();
    countLink.UIToState(); // a list without a selection: empty text, and zero for a number
    EXPECT_EQ("Blue Red '' 0", Joined(name.Value(), shade.Value(),
                                      "'" + ControlText(countLink) + "'", count.Value()));

    ASSERT_NE(0, nameLink.SubclassEditControl(new DigitsOnly));
    ui.Enter(21, "1x2");
    nameLink.UIToState(); // typed text is read from the field
    EXPECT_EQ("12 12", Joined(this->Text(21), name.Value()));
}

// A three-state check box and a radio group that stops at the next group start, both ways.
TYPED_TEST(Scenario, CheckBoxHoldsThreeStatesAndRadioGroupsStopAtTheNextGroup) {
    auto& ui = this->backend;
    ui.AddCheck(40);
    for (int id : {50, 51, 52, 60}) // two groups: 50 to 52, and 60
        ui.AddRadio(id, id % 10 == 0);
    ui.Show();
    CmoxBooleanCell flag("Flag", 1);
    CmoxCheckLC check(40, &flag, ui.Dlg(), "Check", MOX_STATE_PRIORITY, 1);
    std::string states;
    check.StateToUI();
    for (int click = 0; click < 2; ++click) { // checked -> indeterminate -> unchecked
        ui.Click(40);
        check.UIToState();
        states += std::to_string(flag.Value()) + ' ';
    }
    flag.Value(1); // the change notification checks the box
    EXPECT_EQ("2 0 1", states + Joined(this->Ask(40, BM_GETCHECK)));

    CmoxByteCell mode("Mode", 0), other("Other", 0);
    CmoxRadioLC radio(50, &mode, ui.Dlg(), "Radio", MOX_STATE_PRIORITY, 1);
    CmoxRadioLC next(60, &other, ui.Dlg(), "Next", MOX_STATE_PRIORITY, 1);
    radio.UIToState();
    EXPECT_EQ(255, mode.Value()); // nothing checked
    ui.Click(60);
    ui.Click(52);
    radio.UIToState();
    next.UIToState();
    EXPECT_EQ("2 0", Joined(mode.Value(), other.Value())); // the next group kept its button
    ui.Click(51);
    radio.UIToState();
    EXPECT_EQ(1, mode.Value());
    CDataExchange exchange(ui.Dlg(), 1);
    int shown[2] = {-2, -2};
    mode.Value(static_cast<unsigned char>(0));
    DDX_Radio(&exchange, 50, shown[0]);
    mode.Value(static_cast<unsigned char>(3)); // no fourth button: none is checked
    DDX_Radio(&exchange, 50, shown[1]);
    // Links to missing controls do nothing.
    CmoxCheckLC noBox(41, &flag, ui.Dlg(), "NoBox", MOX_STATE_PRIORITY, 0);
    CmoxRadioLC noGroup(70, &mode, ui.Dlg(), "NoGroup", MOX_STATE_PRIORITY, 0);
    noBox.UIToState();
    noGroup.UIToState();
    noBox.StateToUI();
    EXPECT_EQ("0 -1 1 3", Joined(shown[0], shown[1], flag.Value(), mode.Value()));
}
