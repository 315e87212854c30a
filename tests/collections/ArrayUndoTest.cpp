#include "collections/ElementCells.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <functional>
#include <memory>

using namespace moxtest;

namespace {

class ArrayUndo : public MoxTest {
  public:
    LifetimeCounter counter;
    UpdateLog log;
    TagCell* Tag(const char* name) { return new TagCell(name, counter); }
    CmoxUndoContext* Context() { return Engine().GetUndoContext("Edit"); }
    void Record(const char* description, const std::function<void()>& change) {
        Engine().BeginTransaction(Context(), description);
        change();
        Engine().EndTransaction();
    }
    void Undo(int count = 1) { Engine().Undo(Context(), count); }
    void Redo(int count = 1) { Engine().Redo(Context(), count); }
    void DropContext() { Engine().RemoveUndoContext("Edit"); }
};

} // namespace

// ---- the report --------------------------------------------------------------------------------

// Which dependents hear an undo is the engine's rule, checked in the undo tests.
TEST_F(ArrayUndo, UndoReportsOneChangeWithTheReasonOfItsKindsOfChange) {
    CmoxArrayCell array("List");
    RecordingCell ui("UI", MOX_UI_PRIORITY, log);
    array.AddDependent(&ui);
    Record("adds", [&] {
        array.Add(Tag("Old"));
        array.Add(Tag("Other"));
    });
    log.clear();
    Undo();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED}); // one kind
    Redo();
    array.DestroyElement(1);
    CmoxCell* removed = nullptr;
    Record("swap", [&] {
        array.Add(Tag("New"));
        removed = array.Remove(0, 0);
    });
    log.clear();
    Undo();
    EXPECT_EQ(ElementNames(array), Names({"Old"}));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].changed, Names({"List"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_VALUE_CHANGED});
    Redo();
    EXPECT_EQ(ElementNames(array), Names({"New"}));
    DropContext();
    delete removed;
    EXPECT_EQ(counter.destroyed, 2);
}

// ---- ownership across undo and redo ------------------------------------------------------------
// The randomized model test checks that nothing is freed twice and that dropping the history
// leaves no cell alive; this pins when a cell the history alone holds goes before that.

TEST_F(ArrayUndo, ACellAddedAndDestroyedInOneUndoneTransactionGoesWithItsRedo) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    Record("both", [&] {
        array.Add(Tag("T"));
        array.DestroyElement(1);
    });
    Undo();
    EXPECT_EQ(counter.destroyed, 0);
    Record("other", [&] { array.Add(Tag("C")); }); // clears the redo stack
    EXPECT_EQ(counter.destroyed, 1);
    EXPECT_EQ(ElementNames(array), Names({"A", "C"}));
    DropContext();
}

TEST_F(ArrayUndo, UndoAndRedoClearTheFindCache) {
    CmoxArrayCell array("List");
    TagCell* first = new TagCell("N", counter, 1);
    auto* second = new TagCell("N", counter, 2);
    array.Add(first);
    Record("insert", [&] { array.InsertAt(0, second); });
    TagCell pattern("P", counter, 2);
    ASSERT_EQ(array.FindChildMatch(&pattern, 0), second); // cached
    Undo();
    EXPECT_EQ(array.FindChild("N"), first); // the cached cell left with the undo
    Redo();
    EXPECT_EQ(array.FindChild("N"), second); // the first namesake again, not the cached one
    DropContext();
}

TEST_F(ArrayUndo, NonOwningArrayNeverHandsItsCellsToTheRecord) {
    CountedCell x("X", counter);
    {
        CmoxArrayCell refs("Refs", "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0);
        Record("add", [&] { refs.Add(&x); });
        Undo();
        EXPECT_EQ(refs.GetSize(), 0);
        DropContext();
    }
    EXPECT_EQ(counter.destroyed, 0);
}

TEST_F(ArrayUndo, DestroyingTheArrayTakesItsRecordAndOwnedElements) {
    auto* array = new CmoxArrayCell("List");
    array->Add(Tag("A"));
    Record("add", [&] { array->Add(Tag("B")); });
    Record("destroy", [&] { array->DestroyElement(0); });
    Undo(2); // B belongs to the record of "add"
    delete array;
    EXPECT_EQ(counter.destroyed, 2);
    Redo(2); // nothing left to redo into
    DropContext();
    EXPECT_EQ(counter.destroyed, 2);
}

TEST_F(ArrayUndo, StoppedRecordingStillDestroysAtOnce) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    Engine().BeginTransaction(Context(), "quiet");
    Engine().StopRecordingChanges();
    array.DestroyElement(0);
    Engine().StartRecordingChanges();
    Engine().EndTransaction();
    EXPECT_EQ(counter.destroyed, 1);
    EXPECT_TRUE(Context()->UndoDescriptions().empty());
    DropContext();
}

TEST_F(ArrayUndo, RecordOfAnUnregisteredContextSurvivesItsArray) {
    CmoxUndoContext context; // not registered: destroyed cells are not taken out of its lists
    auto* array = new CmoxArrayCell("List");
    Engine().BeginTransaction(&context, "add");
    array->Add(Tag("X"));
    Engine().EndTransaction();
    Engine().Undo(&context, 1); // the record now owns X
    delete array;
    EXPECT_EQ(counter.destroyed, 0);
    context.ResetUndo();
    EXPECT_EQ(counter.destroyed, 1);
}
