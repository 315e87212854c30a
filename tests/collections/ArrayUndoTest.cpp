#include "collections/ElementCells.h"
#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <functional>
#include <memory>

using namespace moxtest;

namespace {

class ArrayUndo : public MoxTest {
  protected:
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
    // The array's record in the transaction being recorded.
    CmoxArrayUndoInfo* OpenRecord(CmoxArrayCell& array) {
        return dynamic_cast<CmoxArrayUndoInfo*>(Engine().UndoList().GetUndoInfo(&array));
    }
};

} // namespace

// ---- the record --------------------------------------------------------------------------------

TEST_F(ArrayUndo, OneRecordKeepsTheFirstBeforeAndTheLastAfter) {
    CmoxArrayCell array("List");
    TagCell* a = Tag("A");
    array.Add(a);
    Engine().BeginTransaction(Context(), "edit");
    array.Add(Tag("B"));
    array.InsertAt(0, Tag("C"));
    array.DestroyElement(1);
    CmoxArrayUndoInfo* record = OpenRecord(array);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(Engine().UndoList().GetCount(), 1);
    EXPECT_EQ(record->BeforeElements(), std::vector<CmoxCell*>({a}));
    EXPECT_EQ(record->AfterElements(), std::vector<CmoxCell*>({array.GetAt(0), array.GetAt(1)}));
    EXPECT_EQ(record->DestroyedElements(), std::vector<CmoxCell*>({a}));
    EXPECT_EQ(record->Reason(), MOX_VALUE_CHANGED); // added, then removed
    Engine().EndTransaction();
    EXPECT_EQ(counter.destroyed, 0);
    DropContext();
    EXPECT_EQ(counter.destroyed, 1); // the record took A with it
    EXPECT_EQ(ElementNames(array), Names({"C", "B"}));
}

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

TEST_F(ArrayUndo, AddedElementBelongsToTheRecordWhileUndone) {
    CmoxArrayCell array("List");
    TagCell* x = Tag("X");
    Record("add", [&] { array.Add(x); });
    Undo();
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(counter.destroyed, 0);
    Redo();
    ASSERT_EQ(array.GetSize(), 1);
    EXPECT_EQ(array.GetAt(0), x);
    Undo();
    DropContext(); // destroyed while the change is undone: the record takes X along
    EXPECT_EQ(counter.destroyed, 1);
    EXPECT_EQ(array.GetSize(), 0);
}

TEST_F(ArrayUndo, AddedElementStaysWithTheArrayWhenTheChangeIsInForce) {
    {
        CmoxArrayCell array("List");
        Record("add", [&] { array.Add(Tag("X")); });
        Undo();
        Redo();
        DropContext();
        EXPECT_EQ(counter.destroyed, 0);
        EXPECT_EQ(array.GetSize(), 1);
    }
    EXPECT_EQ(counter.destroyed, 1);
}

TEST_F(ArrayUndo, DestroyedElementWaitsForTheFateOfTheRecord) {
    CmoxArrayCell array("List");
    TagCell* a = Tag("A");
    array.Add(a);
    array.Add(Tag("B"));
    Record("destroy", [&] { array.DestroyElement(0); });
    EXPECT_EQ(counter.destroyed, 0);
    EXPECT_EQ(ElementNames(array), Names({"B"}));
    Undo();
    EXPECT_EQ(ElementNames(array), Names({"A", "B"}));
    EXPECT_EQ(array.GetAt(0), a);
    EXPECT_EQ(a->Parent(), &array);
    Redo();
    EXPECT_EQ(ElementNames(array), Names({"B"}));
    EXPECT_EQ(counter.destroyed, 0);
    DropContext();
    EXPECT_EQ(counter.destroyed, 1);
}

TEST_F(ArrayUndo, ClearingTheRedoStackOfAnUndoneDestructionDestroysNothing) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    array.Add(Tag("B"));
    Record("destroy", [&] { array.DestroyElement(0); });
    Undo();
    Record("other", [&] { array.Add(Tag("C")); }); // clears the redo stack
    EXPECT_EQ(counter.destroyed, 0);
    EXPECT_EQ(ElementNames(array), Names({"A", "B", "C"}));
    DropContext();
    EXPECT_EQ(counter.destroyed, 0);
}

TEST_F(ArrayUndo, ElementAddedAndDestroyedInOneTransactionDiesOnceWhateverTheOutcome) {
    // Undone: no snapshot can bring it back, so the record keeps it and destroys it.
    {
        CmoxArrayCell array("List");
        Record("add and destroy", [&] {
            array.Add(Tag("T"));
            array.DestroyElement(0);
        });
        EXPECT_EQ(counter.destroyed, 0);
        Undo();
        Record("other", [&] { array.Add(Tag("C")); });
        EXPECT_EQ(counter.destroyed, 1);
        DropContext();
    }
    EXPECT_EQ(counter.constructed, 2);
    EXPECT_EQ(counter.destroyed, 2);
}

TEST_F(ArrayUndo, RemovedElementComesBackWithoutItsParent) {
    CmoxArrayCell array("List");
    TagCell* a = Tag("A");
    array.Add(a);
    array.Add(Tag("B"));
    CmoxCell* removed = nullptr;
    Record("remove", [&] { removed = array.Remove(0, 0); });
    EXPECT_EQ(removed, a);
    Undo();
    ASSERT_EQ(array.GetSize(), 2);
    EXPECT_EQ(array.GetAt(0), a);
    EXPECT_EQ(a->Parent(), nullptr);
    Redo();
    EXPECT_EQ(ElementNames(array), Names({"B"}));
    DropContext();
    EXPECT_EQ(counter.destroyed, 0); // the caller owns it
    delete removed;
}

TEST_F(ArrayUndo, RemoveAllAndRemoveAndDestroyAllUndoAsAWhole) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    array.Add(Tag("B"));
    array.Add(Tag("C"));
    Record("clear", [&] { array.RemoveAndDestroyAll(); });
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(counter.destroyed, 0);
    Undo();
    EXPECT_EQ(ElementNames(array), Names({"A", "B", "C"}));
    Record("detach", [&] { array.RemoveAll(); });
    EXPECT_EQ(array.GetSize(), 0);
    Undo();
    EXPECT_EQ(ElementNames(array), Names({"A", "B", "C"}));
    Redo();
    EXPECT_EQ(array.GetSize(), 0);
    Undo();
    DropContext();
    EXPECT_EQ(counter.destroyed, 0);
    EXPECT_EQ(array.GetSize(), 3);
    // Redone, the destruction is settled by the record.
    Record("clear", [&] { array.RemoveAndDestroyAll(); });
    Undo();
    Redo();
    EXPECT_EQ(counter.destroyed, 0);
    DropContext();
    EXPECT_EQ(counter.destroyed, 3);
}

TEST_F(ArrayUndo, UndoingSeveralTransactionsAtOnceSettlesOwnership) {
    {
        CmoxArrayCell array("List");
        Record("one", [&] { array.Add(Tag("X")); });
        Record("two", [&] { array.Add(Tag("Y")); });
        Record("three", [&] { array.DestroyElement(0); });
        Undo(3);
        EXPECT_EQ(array.GetSize(), 0);
        EXPECT_EQ(counter.destroyed, 0);
        Redo(2);
        EXPECT_EQ(ElementNames(array), Names({"X", "Y"}));
        Redo(1);
        EXPECT_EQ(ElementNames(array), Names({"Y"}));
        Undo(2);
        EXPECT_EQ(ElementNames(array), Names({"X"}));
        DropContext(); // the record of "two" holds Y
        EXPECT_EQ(counter.destroyed, 1);
    }
    EXPECT_EQ(counter.destroyed, 2);
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

// ---- destroyed cells leave the snapshots -------------------------------------------------------

TEST_F(ArrayUndo, ADestroyedCellLeavesEverySnapshot) {
    CmoxArrayCell array("List");
    CmoxArrayCell other("Other", "", 1, MOX_STATE_PRIORITY, ALL_COLLNOTIFY, 0);
    array.Add(Tag("A"));
    array.Add(Tag("B"));
    CmoxCell* removed = nullptr;
    Engine().BeginTransaction(Context(), "remove");
    removed = array.Remove(0, 0);
    other.Add(removed); // a second record that holds the cell in its after snapshot
    CmoxArrayUndoInfo* record = OpenRecord(array);
    CmoxArrayUndoInfo* otherRecord = OpenRecord(other);
    ASSERT_NE(record, nullptr);
    ASSERT_NE(otherRecord, nullptr);
    Engine().EndTransaction();
    other.RemoveAll();
    delete removed;
    EXPECT_EQ(record->BeforeElements().size(), 1u);
    EXPECT_EQ(otherRecord->AfterElements().size(), 0u);
    Undo();
    EXPECT_EQ(ElementNames(array), Names({"B"}));
    EXPECT_EQ(other.GetSize(), 0);
    DropContext();
}

TEST_F(ArrayUndo, ADestroyedCellHeldAsDestroyedIsNotDestroyedAgain) {
    CmoxArrayCell array("List");
    array.Add(Tag("A"));
    Record("destroy", [&] { array.DestroyElement(0); });
    Undo();
    // Back in the array, the cell is destroyed outside any recording.
    array.DestroyElement(0);
    EXPECT_EQ(counter.destroyed, 1);
    Redo();
    EXPECT_EQ(array.GetSize(), 0);
    DropContext();
    EXPECT_EQ(counter.destroyed, 1);
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

// ---- the find cache after undo and redo --------------------------------------------------------

TEST_F(ArrayUndo, UndoAndRedoClearTheFindCache) {
    CmoxArrayCell array("List");
    TagCell* first = Tag("N");
    array.Add(first);
    ASSERT_EQ(array.FindChild("N"), first);
    Record("insert", [&] { array.InsertAt(0, Tag("N")); });
    EXPECT_EQ(array.FindChild("N"), first); // still cached: inserting left the cache alone
    Undo();
    Redo();
    EXPECT_EQ(array.FindChild("N"), array.GetAt(0));
    EXPECT_NE(array.GetAt(0), first);
    DropContext();
}

TEST_F(ArrayUndo, UndoTellsUserInterfaceDependentsButNotStateDependents) {
    CmoxArrayCell array("List");
    RecordingCell ui("UI", MOX_UI_PRIORITY, log);
    RecordingCell state("State", MOX_STATE_PRIORITY, log);
    array.AddDependent(&ui);
    array.AddDependent(&state);
    Record("add", [&] { array.Add(Tag("A")); });
    log.clear();
    Undo();
    EXPECT_EQ(Order(log), Names({"UI"}));
    state.UndoNotify(1);
    log.clear();
    Redo();
    EXPECT_EQ(Order(log), Names({"State", "UI"}));
    DropContext();
}

// ---- ownership when history and callers meet ---------------------------------------------------

TEST_F(ArrayUndo, RecordNeverDestroysACellTheArrayHoldsAgain) {
    {
        CmoxArrayCell array("List");
        TagCell* x = Tag("X");
        array.Add(x);
        Record("remove", [&] { array.Remove(0, 0); });
        Record("put back", [&] { array.Add(x); });
        // Undoing both: the second record takes X back as an element it added, then the first
        // puts X into the array again.
        Undo(2);
        ASSERT_EQ(ElementNames(array), Names({"X"}));
        Record("other", [&] { array.Add(Tag("Y")); }); // drops both undone records
        EXPECT_EQ(counter.destroyed, 0);
        EXPECT_EQ(ElementNames(array), Names({"X", "Y"}));
        DropContext();
    }
    EXPECT_EQ(counter.destroyed, 2);
}

TEST_F(ArrayUndo, RecordLeavesACellThatACallerTookOutAgain) {
    CmoxArrayCell array("List");
    TagCell* x = Tag("X");
    array.Add(x);
    Record("remove", [&] { array.Remove(0, 0); });
    Record("put back", [&] { array.Add(x); });
    Undo(2);
    CmoxCell* taken = nullptr;
    Record("take", [&] { taken = array.Remove(0, 0); }); // drops both undone records
    EXPECT_EQ(taken, x);
    EXPECT_EQ(counter.destroyed, 0);
    DropContext();
    EXPECT_EQ(counter.destroyed, 0);
    delete taken;
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

TEST_F(ArrayUndo, CellClaimedByTwoRecordsDiesOnceWithTheContext) {
    {
        CmoxArrayCell array("List");
        TagCell* x = Tag("X");
        Record("add", [&] { array.Add(x); });
        CmoxCell* taken = nullptr;
        Record("take", [&] { taken = array.Remove(0, 0); });
        Record("put back", [&] { array.Add(taken); });
        // The records of "put back" and of "add" both took X as an element they had added.
        Undo(3);
        EXPECT_EQ(array.GetSize(), 0);
        EXPECT_EQ(counter.destroyed, 0);
        DropContext();
        EXPECT_EQ(counter.destroyed, 1);
    }
    EXPECT_EQ(counter.destroyed, 1);
}
