#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

using namespace moxtest;

namespace {

class CleanMark : public MoxTest {
  protected:
    void TearDown() override {
        Engine().RemoveAllUndoContexts();
        MoxTest::TearDown();
    }
    void Record(int value) {
        Engine().BeginTransaction(ctx, "step");
        cell.Set(value);
        Engine().EndTransaction();
    }
    CmoxUndoContext* ctx = Engine().GetUndoContext("Doc");
    IntCell cell{"Cell"};
};

} // namespace

TEST_F(CleanMark, FollowsUndoRedoAndIsLostByRecordingBelowTheMark) {
    // One step per row: what to do, then whether the context is clean.
    enum Op { Mark, Rec, Undo, Redo, Reset };
    const struct {
        Op op;
        bool clean;
    } steps[] = {
        {Rec, false},  {Undo, true}, // a new context is marked at its start
        {Redo, false}, {Mark, true},  {Rec, false},  {Undo, true}, {Undo, false},
        {Redo, true},  {Undo, false}, {Rec, false}, // recorded below the mark: lost...
        {Undo, false}, {Rec, false},                // ...for good, even back at the start
        {Mark, true},  {Rec, false},  {Reset, true},
    };
    int value = 0;
    for (const auto& step : steps) {
        switch (step.op) {
        case Mark:
            ctx->MarkClean();
            break;
        case Rec:
            Record(++value);
            break;
        case Undo:
            Engine().Undo(ctx, 1);
            break;
        case Redo:
            Engine().Redo(ctx, 1);
            break;
        case Reset:
            ctx->ResetUndo();
            break;
        }
        EXPECT_EQ(ctx->IsClean(), step.clean) << "after step " << (&step - steps);
    }
}

TEST_F(CleanMark, TrimmingTheMarkedStepLosesTheMark) {
    for (bool markAtStart : {true, false}) {
        SCOPED_TRACE(markAtStart ? "marked at the start" : "marked after a step");
        ctx->ResetUndo();
        ctx->MaximumUndoDepth(2);
        if (!markAtStart) {
            Record(1);
            ctx->MarkClean();
        }
        Record(2);
        Record(3);
        Record(4); // trims the marked step (or the start's first step)
        Engine().Undo(ctx, 2);
        EXPECT_FALSE(ctx->IsClean());
    }
}

TEST_F(CleanMark, ClientsHearWhenMarkingChangesTheCleanState) {
    UpdateLog log;
    RecordingCell client("Client", MOX_UI_PRIORITY, log);
    client.MakeDependentOn(ctx->GetChangeNotifier());
    ctx->MarkClean(); // already clean: nothing to tell
    EXPECT_TRUE(log.empty());
    Record(1);
    log.clear();
    ctx->MarkClean();
    EXPECT_EQ(Order(log), (Names{"Client"}));
}
