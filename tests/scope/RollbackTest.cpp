#include "propagation/Transcript.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <stdexcept>

using namespace moxtest;

namespace {

// A history with one step to undo and one to redo, and cells of every kind of recorded change.
class Rollback : public MoxTest {
  protected:
    Rollback() {
        ctx = Engine().GetUndoContext("Edit");
        level.InitRange(0, 100);
        list.Add(new CmoxLongCell("First", 1));
        for (const char* step : {"Older", "Undone"}) {
            mox::Transaction t(ctx, step);
            gain.Value(gain.Value() + 1);
        }
        Engine().Undo(ctx, 1);
        ctx->MarkClean();
        state.UndoNotify(1);
        for (CmoxCell* watcher : {&state, &display}) {
            watcher->MakeDependentOn(&gain);
            watcher->MakeDependentOn(&level);
            watcher->MakeDependentOn(&list);
        }
    }
    // Changes value, default, range and the array's elements, in one transaction.
    void ChangeEverything() {
        gain.Value(40L);
        gain.MakeCurrentDefault();
        gain.Value(41L);
        level.SetRange(10, 20);
        level.Value(static_cast<unsigned char>(15));
        list.Add(new CmoxLongCell("Second", 2));
        list.Remove(0, 1);
    }
    // Value, default, range, elements and history, in one line.
    std::string State() {
        std::string text = std::to_string(gain.Value()) + " " +
                           std::to_string(gain.DefaultValue()) + " " +
                           std::to_string(level.Value()) + " " + std::to_string(level.Min()) + "-" +
                           std::to_string(level.Max());
        for (int i = 0; i < list.GetSize(); ++i)
            text += " " + list.GetAt(i)->Name();
        for (const Names& steps : {ctx->UndoDescriptions(), ctx->RedoDescriptions()})
            for (const std::string& step : steps)
                text += " " + step;
        return text + (ctx->IsClean() ? " clean" : "");
    }
    const std::string kBefore = "1 0 0 0-100 First Older Undone clean";

    CmoxUndoContext* ctx;
    CmoxLongCell gain{"Gain", 0};
    CmoxByteCell level{"Level", 0};
    CmoxArrayCell list{"List"};
    UpdateLog log;
    RecordingCell state{"State", MOX_STATE_PRIORITY, log};
    RecordingCell display{"Display", MOX_UI_PRIORITY, log};
};

} // namespace

TEST_F(Rollback, PutsBackValuesDefaultsRangesAndElementsAsAnUndoDoesWithoutAStep) {
    {
        mox::Transaction t(ctx, "Dialog");
        ChangeEverything();
        log.clear();
        t.Rollback();
        EXPECT_FALSE(t.Active());
    }
    EXPECT_EQ(State(), kBefore);
    // As an undo tells them: each restored cell on its own, state dependents with UndoNotify
    // set, then the display's deferred delivery at the end.
    EXPECT_EQ(Transcript(log), "State(Gain:1/0) Display(Gain:1/0) State(Level:1/0) "
                               "Display(Level:1/0) State(List:1/0) Display(List:1/0) "
                               "Display(Gain:1/0 Level:1/0 List:1/0)");
    EXPECT_EQ(Engine().UndoContext(), nullptr);
    // An exception rolls back too, unless opted out.
    for (bool optOut : {false, true}) {
        try {
            mox::Transaction t(ctx, "Dialog");
            if (optOut) t.RollbackOnException(false);
            ChangeEverything();
            throw std::runtime_error("failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(State(), optOut ? "41 40 15 10-20 Second Dialog Older" : kBefore);
    }
}

TEST_F(Rollback, IsRefusedUnchangedWhenInnerWithoutContextOrEnded) {
    {
        mox::Transaction plain;
        EXPECT_THROW(plain.Rollback(), mox::TransactionError);
        EXPECT_TRUE(plain.Active());
    }
    mox::Transaction outer(ctx, "Dialog");
    gain.Value(7L);
    {
        mox::Transaction inner(ctx, "Inner");
        EXPECT_FALSE(inner.CanRollback());
        EXPECT_THROW(inner.Rollback(), mox::TransactionError);
        EXPECT_THROW(outer.Rollback(), mox::TransactionError); // inner still open
        EXPECT_EQ(Engine().TransactionLevel(), 2);
    }
    EXPECT_EQ(gain.Value(), 7);
    outer.Commit();
    EXPECT_THROW(outer.Rollback(), mox::TransactionError);
    EXPECT_EQ(ctx->UndoDescriptions(), (Names{"Dialog", "Older"}));
}
