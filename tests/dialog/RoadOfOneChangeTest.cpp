// One change from end to end: typed into an edit field, exchanged into a 64-bit cell that
// adjusts it, delivered to state dependents at once and to another control when the outermost
// transaction ends, and undone.

#include "dialog/LinkTesting.h"

#include <mox/headless.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace moxtest;
using namespace mox::headless;

namespace {

// The application's dialog object: its data exchange runs the entry field's link cell.
class PeriodDialog : public CWnd {
  public:
    CmoxLinkCell* entry = nullptr;

  protected:
    void DoDataExchange(CDataExchange* exchange) override { entry->Transfer(exchange); }
};

} // namespace

TEST_F(LinkTest, RoadOfOneChangeFromTypingToUndo) {
    Edit& entryField = dialog.AddEdit(10);
    Edit& readoutField = dialog.AddEdit(11);

    CmoxLongLongCell period("Period", 100, 100);
    period.InitRangeAndSize(0, 1000, 10);

    // A state dependent, which must see each stored value as soon as it is stored.
    UpdateLog log;
    std::vector<__int64> seen;
    RecordingCell model("Model", MOX_STATE_PRIORITY, log);
    model.onUpdate = [&](CmoxChangedList&) { seen.push_back(period.Value()); };
    period.AddDependent(&model);
    model.UndoNotify(1); // state dependents hear of undo only when they ask to

    CmoxEditLC entry(10, &period, Dlg(), "Entry", MOX_UI_PRIORITY, 1);
    entry.Formatter(new CmoxFormatter);
    CmoxEditLC readout(11, &period, Dlg(), "Readout", MOX_UI_PRIORITY, 1);
    readout.Formatter(new CmoxFormatter);

    PeriodDialog dialogObject;
    dialogObject.entry = &entry;
    ASSERT_NE(0, dialogObject.SubclassWindow(dialog.Handle()));
    ASSERT_EQ(1, dialogObject.UpdateData(0));
    readout.StateToUI();
    ASSERT_EQ("100", entryField.Text());
    ASSERT_EQ("100", readoutField.Text());
    readoutField.Wnd()->SetFocus();

    Cmox& engine = Engine();
    CmoxUndoContext* history = engine.GetUndoContext("Dialog");
    engine.BeginTransaction(history, "Set period");
    engine.BeginTransaction(); // the dialog's own, inner transaction

    // 347 is quantized to the increment of 10.
    entryField.Enter("347");
    ASSERT_EQ(1, dialogObject.UpdateData(1));
    EXPECT_EQ(340, period.Value());
    EXPECT_EQ((std::vector<unsigned int>{kSimpleBeep}), desktop.Beeps());
    EXPECT_TRUE(entryField.HasFocus());
    EXPECT_EQ((std::vector<__int64>{340}), seen);

    // 12,345 (the comma is a separator) is clamped to the maximum.
    entryField.Enter("12,345");
    ASSERT_EQ(1, dialogObject.UpdateData(1));
    EXPECT_EQ(2u, desktop.Beeps().size());
    EXPECT_EQ((std::vector<__int64>{340, 1000}), seen);

    // The user-interface link cells wait for the outermost transaction.
    EXPECT_EQ("12,345", entryField.Text());
    EXPECT_EQ("100", readoutField.Text());
    engine.EndTransaction();
    EXPECT_EQ("100", readoutField.Text());
    const int readoutWrites = readoutField.SetTextCount();
    engine.EndTransaction();
    EXPECT_EQ("1000", entryField.Text());
    EXPECT_EQ("1000", readoutField.Text());
    EXPECT_EQ(readoutWrites + 1, readoutField.SetTextCount()); // refreshed once, not per change

    // Both entries were one transaction: one undo puts the old value back everywhere.
    ASSERT_EQ((std::vector<std::string>{"Set period"}), history->UndoDescriptions());
    engine.Undo(history, 1);
    EXPECT_EQ("100", entryField.Text());
    EXPECT_EQ("100", readoutField.Text());
    EXPECT_EQ((std::vector<__int64>{340, 1000, 100}), seen);
    EXPECT_TRUE(history->UndoDescriptions().empty());
    EXPECT_EQ(2u, desktop.Beeps().size()); // undo itself does not beep
}
