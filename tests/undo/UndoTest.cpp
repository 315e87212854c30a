#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <atomic>
#include <memory>
#include <thread>

using namespace moxtest;

namespace {

class Undo : public MoxTest {
  protected:
    CmoxUndoContext* Context(const char* name = "Edit") { return Engine().GetUndoContext(name); }
    void Record(CmoxUndoContext* ctx, const char* description, IntCell& cell, int value) {
        Engine().BeginTransaction(ctx, description);
        cell.Set(value);
        Engine().EndTransaction();
    }
};

// A record that refers to another cell and forgets it when it dies.
class ReferringRecord : public CmoxUndoInfo {
  public:
    explicit ReferringRecord(CmoxCell* other) : referred(other) { ReferencesCells(true); }
    void RemoveCell(CmoxCell* cell) override {
        if (cell == referred) referred = nullptr;
    }
    CmoxCell* referred;
};

} // namespace

TEST_F(Undo, MergingCombinesUserDataAndReasons) {
    CmoxCell cell("Cell", 150);
    CmoxUndoList list("x");
    auto* first = new CmoxUndoInfo;
    first->UserData(1);
    first->Reason(MOX_DEFAULT_CHANGED);
    auto* second = new CmoxUndoInfo;
    second->UserData(4);
    second->Reason(MOX_VALUE_CHANGED);
    EXPECT_TRUE(list.AddUndoInfo(&cell, first));
    EXPECT_FALSE(list.AddUndoInfo(&cell, second)); // second is destroyed
    EXPECT_EQ(list.GetUndoInfo(&cell), first);
    EXPECT_EQ(first->UserData(), 5u);
    EXPECT_EQ(first->Reason(), MOX_VALUE_CHANGED);

    CmoxUndoInfo a, b;
    a.Reason(MOX_RANGE_CHANGED);
    b.Reason(MOX_RANGE_CHANGED);
    a.Merge(&b);
    EXPECT_EQ(a.Reason(), MOX_RANGE_CHANGED);
}

TEST_F(Undo, SharedRecordDiesOnceCellRemovalDropsItsEntriesAndTellsReferringRecords) {
    int deaths = 0;
    CmoxCell a("A", 150), b("B", 150), c("C", 150);
    {
        CmoxUndoList list("x");
        auto* shared = new CountingRecord(deaths);
        list.AddUndoInfo(&a, shared);
        list.AddUndoInfo(&b, shared);
        list.AddUndoInfo(&c, new CountingRecord(deaths));
    }
    EXPECT_EQ(deaths, 2);

    deaths = 0;
    CmoxUndoList list("y");
    auto* shared = new CountingRecord(deaths);
    list.AddUndoInfo(&a, shared);
    list.AddUndoInfo(&b, shared);
    list.RemoveCell(&a);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(list.GetUndoInfo(&b), nullptr) << "every entry of the destroyed record goes";
    EXPECT_FALSE(list.HasUndoInfo());
    list.RemoveCell(&a); // no record: nothing happens
    EXPECT_EQ(deaths, 1);
    // A record that refers to another cell is told when that cell goes, and stays filed.
    auto* referring = new ReferringRecord(&c);
    list.AddUndoInfo(&b, referring);
    list.RemoveCell(&c);
    EXPECT_EQ(referring->referred, nullptr);
    EXPECT_EQ(list.GetUndoInfo(&b), referring);
}

TEST_F(Undo, DestroyingACellTakesItsRecordsOffBothStacks) {
    CmoxUndoContext* ctx = Context();
    IntCell keep("Keep");
    auto gone = std::make_unique<IntCell>("Gone");
    Engine().BeginTransaction(ctx, "both");
    keep.Set(1);
    gone->Set(1);
    Engine().EndTransaction();
    Record(ctx, "gone again", *gone, 2);
    Engine().Undo(ctx, 1); // one list on each stack holds Gone
    gone.reset();
    Engine().Redo(ctx, 1);
    Engine().Undo(ctx, 2);
    EXPECT_EQ(keep.Get(), 0);
    Engine().Redo(ctx, 2);
    EXPECT_EQ(keep.Get(), 1);
}

TEST_F(Undo, CellDestroyedByAnotherPostUndoGetsNoPostUndo) {
    CmoxUndoContext* ctx = Context();
    auto first = std::make_unique<IntCell>("First");
    auto second = std::make_unique<IntCell>("Second");
    IntCell* secondRaw = second.get();
    Engine().BeginTransaction(ctx, "pair");
    first->Set(1);
    second->Set(1);
    Engine().EndTransaction();
    int secondPostUndos = 0;
    // Whichever PostUndo runs first destroys the other cell.
    first->onPostUndo = [&](CmoxUndoInfo*) { second.reset(); };
    secondRaw->onPostUndo = [&](CmoxUndoInfo*) {
        ++secondPostUndos;
        first.reset();
    };
    Engine().Undo(ctx, 1);
    EXPECT_EQ((first ? 1 : 0) + (second ? 1 : 0), 1) << "exactly one cell was destroyed";
    EXPECT_LE(secondPostUndos, 1);
    if (!second) {
        EXPECT_EQ(secondPostUndos, 0);
    }
}

TEST_F(Undo, DepthDefaultsTo25AndIgnoresValuesBelowOne) {
    // Trimming at the next recorded transaction is checked by the randomized model test.
    CmoxUndoContext* ctx = Context();
    EXPECT_EQ(ctx->MaximumUndoDepth(), 25);
    ctx->MaximumUndoDepth(0);
    ctx->MaximumUndoDepth(-3);
    EXPECT_EQ(ctx->MaximumUndoDepth(), 25);
}

TEST_F(Undo, TheFirstDescriptionOfANestedAttachWins) {
    CmoxUndoContext* ctx = Context();
    IntCell cell("Cell");
    Engine().BeginTransaction(ctx, "Y");
    ctx->BeginTransaction("X");
    cell.Set(50);
    Engine().EndTransaction();
    EXPECT_EQ(ctx->UndoDescriptions(), Names{"Y"});
}

TEST_F(Undo, ChangeNotifierReachesOnlyClientsAtOrBelowTheCutoff) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    RecordingCell uiClient("UiClient", MOX_UI_PRIORITY, log);
    RecordingCell stateClient("StateClient", MOX_STATE_PRIORITY, log);
    ctx->GetChangeNotifier()->AddDependent(&uiClient);
    ctx->GetChangeNotifier()->AddDependent(&stateClient);
    IntCell cell("Cell");
    Record(ctx, "A", cell, 1);
    EXPECT_EQ(Order(log), Names{"UiClient"});
    Engine().Undo(ctx, 1);
    Engine().Redo(ctx, 1);
    ctx->ResetUndo();
    EXPECT_EQ(Order(log), (Names{"UiClient", "UiClient", "UiClient", "UiClient"}));
    Engine().Undo(ctx, 1); // empty stack: still recomputes and tells the clients
    EXPECT_EQ(log.size(), 5u);
    Engine().Undo(ctx, 0); // below one: nothing at all
    EXPECT_EQ(log.size(), 5u);
    Engine().BeginTransaction(ctx, "empty");
    Engine().EndTransaction();
    EXPECT_EQ(log.size(), 5u) << "an empty transaction tells nobody";
}

TEST_F(Undo, UndoNotifiesUiDependentsAlwaysAndStateOnesOnRequest) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    IntCell cell("Cell");
    RecordingCell ui("UI", 50, log), state("State", 150, log), eager("Eager", 150, log);
    eager.UndoNotify(1);
    cell.AddDependent(&ui);
    cell.AddDependent(&state);
    cell.AddDependent(&eager);
    Engine().BeginTransaction(ctx, "set");
    cell.Set(3, 0x8);
    Engine().EndTransaction();
    log.clear();
    Engine().Undo(ctx, 1);
    EXPECT_EQ(Order(log), (Names{"Eager", "UI"}));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].changed, Names{"Cell"});
    EXPECT_EQ(log[0].userData, std::vector<unsigned long>{0x8});
    EXPECT_EQ(log[0].reasons, std::vector<MoxChangeReason>{MOX_VALUE_CHANGED});
}

TEST_F(Undo, PostUndoRunsInsideATransactionWithTheContextInProgressOnlyDuringTheCall) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    IntCell cell("Cell"), side("Side");
    RecordingCell ui("UI", 50, log);
    side.AddDependent(&ui);
    Record(ctx, "A", cell, 1);
    CmoxUndoContext* seen = nullptr;
    bool cellWasBeingUndone = false;
    int levelInPostUndo = 0;
    std::size_t logDuringPostUndo = 99;
    cell.onPostUndo = [&](CmoxUndoInfo*) {
        seen = Engine().UndoContextInProgress();
        cellWasBeingUndone = cell.IsUndoInProgress();
        levelInPostUndo = Engine().TransactionLevel();
        side.Set(side.Get() + 1); // a deferred dependent waits for the end of the undo
        logDuringPostUndo = log.size();
    };
    Engine().Undo(ctx, 1);
    EXPECT_EQ(seen, ctx);
    EXPECT_TRUE(cellWasBeingUndone);
    EXPECT_GE(levelInPostUndo, 1);
    EXPECT_EQ(logDuringPostUndo, 0u);
    EXPECT_EQ(Order(log), Names{"UI"});
    EXPECT_EQ(Engine().UndoContextInProgress(), nullptr);
    EXPECT_FALSE(cell.IsUndoInProgress());
    Engine().Undo(nullptr, 1); // a null context is ignored
}

TEST_F(Undo, RegistryIsByExactNameAndRecreatesAfterRemoval) {
    CmoxUndoContext* edit = Context("Edit");
    EXPECT_EQ(Context("Edit"), edit);
    EXPECT_NE(Context("edit"), edit);
    IntCell cell("Cell");
    Record(edit, "A", cell, 1);
    Engine().RemoveUndoContext("Edit");
    Engine().RemoveUndoContext("Nope");
    CmoxUndoContext* fresh = Context("Edit");
    EXPECT_TRUE(fresh->UndoDescriptions().empty());
    EXPECT_EQ(fresh->UndoListInProgress(), nullptr);
}

TEST_F(Undo, WorkerThreadRecordsAndUndoesWithItsOwnContexts) {
    std::atomic<int> afterUndo{-1}, afterRedo{-1};
    std::thread worker([&] {
        Cmox& engine = Cmox::Current();
        IntCell cell("WorkerCell");
        CmoxUndoContext* ctx = engine.GetUndoContext("Edit");
        engine.BeginTransaction(ctx, "worker");
        cell.Set(9);
        engine.EndTransaction();
        engine.Undo(ctx, 1);
        afterUndo = cell.Get();
        engine.Redo(ctx, 1);
        afterRedo = cell.Get();
        // The engine releases its contexts when the thread ends; the cell dies first.
    });
    worker.join();
    EXPECT_EQ(afterUndo, 0);
    EXPECT_EQ(afterRedo, 9);
    EXPECT_TRUE(Context("Edit")->UndoDescriptions().empty())
        << "the main thread's registry is its own";
}

TEST_F(Undo, RecordingStoppedOrNoContextFilesNothing) {
    CmoxUndoContext* ctx = Context();
    IntCell cell("Cell");
    Engine().BeginTransaction(ctx, "stopped");
    Engine().StopRecordingChanges();
    cell.Set(4);
    Engine().StartRecordingChanges();
    EXPECT_FALSE(Engine().UndoList().HasUndoInfo());
    Engine().EndTransaction();
    EXPECT_TRUE(ctx->UndoDescriptions().empty());
    int deaths = 0;
    cell.Changed(0, MOX_VALUE_CHANGED, 0, new CountingRecord(deaths));
    EXPECT_EQ(deaths, 1) << "a record nobody files is released";
    Engine().BeginTransaction();
    Engine().EndTransaction();
}

TEST_F(Undo, MarkingCleanTellsTheClientsOnlyWhenTheCleanStateChanges) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    RecordingCell client("Client", MOX_UI_PRIORITY, log);
    client.MakeDependentOn(ctx->GetChangeNotifier());
    ctx->MarkClean(); // already clean: nothing to tell
    EXPECT_TRUE(log.empty());
    IntCell cell("Cell");
    Record(ctx, "A", cell, 1);
    log.clear();
    ctx->MarkClean();
    EXPECT_EQ(Order(log), (Names{"Client"}));
}
