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

// ---- the report
// -----------------------------------------------------------------------------------

TEST_F(ArrayUndo, UndoReportsOneChangeWithTheReasonOfItsKindsOfChangeToUiDependents) {
    CmoxArrayCell array("List");
    RecordingCell ui("UI", MOX_UI_PRIORITY, log);
    RecordingCell state("State", MOX_STATE_PRIORITY, log), eager("Eager", MOX_STATE_PRIORITY, log);
    eager.UndoNotify(1);
    array.AddDependent(&ui);
    array.AddDependent(&state);
    array.AddDependent(&eager);
    Record("adds", [&] {
        array.Add(Tag("Old"));
        array.Add(Tag("Other"));
    });
    log.clear();
    Undo();
    EXPECT_EQ(Order(log), Names({"Eager", "UI"}));
    EXPECT_EQ(log[0].reasons, Reasons{MOX_CHILD_ADDED}); // one kind
    array.RemoveDependent(&state);
    array.RemoveDependent(&eager);
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
// The randomized model test covers orderings and double destruction; these pin who frees a cell
// that only the history still holds, which the model cannot see since it frees leftovers itself.

TEST_F(ArrayUndo, HistoryFreesTheCellsOnlyItHoldsWhenItIsDropped) {
    struct Case {
        const char* name;
        std::function<void(ArrayUndo&, CmoxArrayCell&)> run;
        int destroyedBeforeDrop, destroyedAfterDrop; // of the elements made by Tag
        Names left;
    };
    const Case cases[] = {
        {"added, undone",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             t.Record("add", [&] { a.Add(t.Tag("X")); });
             t.Undo();
             t.Redo();
             t.Undo();
         },
         0,
         1,
         {"A", "B"}},
        {"destroyed, redone",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             t.Record("destroy", [&] { a.DestroyElement(0); });
             t.Undo();
             EXPECT_EQ(a.GetAt(0)->Parent(), &a);
             t.Redo();
         },
         0,
         1,
         {"B"}},
        {"destroyed, undone, redo stack cleared",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             t.Record("destroy", [&] { a.DestroyElement(0); });
             t.Undo();
             t.Record("other", [&] { a.Add(t.Tag("C")); });
         },
         0,
         0,
         {"A", "B", "C"}},
        {"added and destroyed in one, undone",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             t.Record("both", [&] {
                 a.Add(t.Tag("T"));
                 a.DestroyElement(2);
             });
             t.Undo();
             t.Record("other", [&] { a.Add(t.Tag("C")); });
         },
         1,
         1,
         {"A", "B", "C"}},
        {"destroy all, redone",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             t.Record("clear", [&] { a.RemoveAndDestroyAll(); });
             t.Undo();
             t.Redo();
         },
         0,
         2,
         {}},
        {"several undone at once",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             t.Record("one", [&] { a.Add(t.Tag("X")); });
             t.Record("two", [&] { a.Add(t.Tag("Y")); });
             t.Record("three", [&] { a.DestroyElement(0); });
             t.Undo(3);
             t.Redo(3);
             t.Undo(2);
         },
         0,
         1,
         {"A", "B", "X"}},
        {"taken out and put back, both undone",
         [](ArrayUndo& t, CmoxArrayCell& a) {
             CmoxCell* x = a.GetAt(0);
             t.Record("remove", [&] { a.Remove(0, 0); });
             t.Record("put back", [&] { a.Add(x); });
             t.Undo(2);
             t.Record("other", [&] { a.Add(t.Tag("C")); });
         },
         0,
         0,
         {"A", "B", "C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        counter = LifetimeCounter{};
        {
            CmoxArrayCell array("List");
            array.Add(Tag("A"));
            array.Add(Tag("B"));
            c.run(*this, array);
            EXPECT_EQ(counter.destroyed, c.destroyedBeforeDrop);
            DropContext();
            EXPECT_EQ(counter.destroyed, c.destroyedAfterDrop);
            EXPECT_EQ(ElementNames(array), c.left);
        }
        EXPECT_EQ(counter.Alive(), 0);
    }
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
