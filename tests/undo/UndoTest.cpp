// Undo lists, records and contexts. Random transactions of every value kind and an array with
// undo and redo to any depth, trimming and clean marks are checked against a model in
// UndoRandomTest.cpp, and the undo lists check themselves in the sanitizer build; these pin what
// a model cannot see: merging, records filed in several lists, cells dying, and who is told.
#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

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
    static IntUndoInfo* Int(int before, int after) { return new IntUndoInfo(before, after); }
    static int After(CmoxUndoInfo* record) { return dynamic_cast<IntUndoInfo&>(*record).after; }
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
    const auto record = [](unsigned long data, MoxChangeReason reason) {
        auto* made = new CmoxUndoInfo;
        made->UserData(data);
        made->Reason(reason);
        return made;
    };
    CmoxCell cell("Cell", 150);
    CmoxUndoList list("x");
    CmoxUndoInfo* first = record(1, MOX_RANGE_CHANGED);
    EXPECT_TRUE(list.AddUndoInfo(&cell, first));
    EXPECT_FALSE(list.AddUndoInfo(&cell, record(4, MOX_RANGE_CHANGED))); // merged, destroyed
    EXPECT_EQ(list.GetUndoInfo(&cell), first);
    EXPECT_EQ(first->UserData(), 5u);
    EXPECT_EQ(first->Reason(), MOX_RANGE_CHANGED);
    list.AddUndoInfo(&cell, record(0, MOX_DEFAULT_CHANGED));
    EXPECT_EQ(first->Reason(), MOX_VALUE_CHANGED); // reasons that differ make a value change
}

// A cell's record is found through the cell itself (its latest filing); lists it was filed in
// before, removals and merges must not lose or confuse its records.
TEST_F(Undo, ACellFiledInSeveralListsHasItsOwnRecordInEach) {
    CmoxCell cell("Cell", 150), other("Other", 150);
    CmoxUndoList first("first"), second("second");
    IntUndoInfo* old = Int(0, 1);
    first.AddUndoInfo(&other, Int(0, 5));
    first.AddUndoInfo(&cell, old);
    second.AddUndoInfo(&cell, Int(1, 2));
    EXPECT_EQ(first.GetUndoInfo(&cell), old);
    EXPECT_FALSE(first.AddUndoInfo(&cell, Int(1, 7))); // merges with the record it has
    EXPECT_EQ(After(first.GetUndoInfo(&cell)), 7);
    EXPECT_EQ(first.GetCount(), 2);
    EXPECT_EQ(After(second.GetUndoInfo(&cell)), 2) << "the later list keeps its own";
    EXPECT_EQ(second.GetUndoInfo(&other), nullptr);
    CmoxCellList collected; // replayed in filing order, each cell once across lists
    second.Undo(collected);
    first.Undo(collected);
    EXPECT_EQ(collected.ToVector(), (std::vector<CmoxCell*>{&cell, &other}));
    // A record removed and filed again is found as the new one, not merged into the old.
    CmoxUndoInfo* removed = second.GetUndoInfo(&cell);
    second.RemoveUndoInfo(removed);
    delete removed;
    EXPECT_FALSE(second.HasUndoInfo());
    IntUndoInfo* again = Int(2, 3);
    EXPECT_TRUE(second.AddUndoInfo(&cell, again));
    EXPECT_EQ(second.GetUndoInfo(&cell), again);
}

TEST_F(Undo, RecordsStayFoundWhenRemovalsSqueezeTheList) {
    std::vector<std::unique_ptr<CmoxCell>> cells;
    std::vector<IntUndoInfo*> records;
    CmoxUndoList list("x");
    for (int i = 0; i < 60; ++i) {
        cells.push_back(std::make_unique<CmoxCell>("Cell", 150));
        records.push_back(Int(0, i));
        list.AddUndoInfo(cells.back().get(), records.back());
    }
    std::vector<CmoxCell*> kept;
    for (std::size_t i = 0; i < 60; ++i) {
        if (i % 6 == 0) {
            kept.push_back(cells[i].get());
            continue;
        }
        list.RemoveUndoInfo(records[i]);
        delete records[i];
        records[i] = nullptr;
    }
    EXPECT_EQ(list.GetCount(), 10);
    for (std::size_t i = 0; i < 60; ++i)
        EXPECT_EQ(list.GetUndoInfo(cells[i].get()), records[i]) << i;
    EXPECT_FALSE(list.AddUndoInfo(cells[6].get(), Int(0, 99)));
    EXPECT_EQ(After(records[6]), 99);
    CmoxCellList collected; // filing order, holes skipped
    list.Undo(collected);
    EXPECT_EQ(collected.ToVector(), kept);
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
    list.RemoveCell(&a); // no record: nothing happens
    EXPECT_EQ(deaths, 1);
    // A record that refers to another cell is told when that cell goes, and stays filed.
    auto* referring = new ReferringRecord(&c);
    list.AddUndoInfo(&b, referring);
    list.RemoveCell(&c);
    EXPECT_EQ(referring->referred, nullptr);
    EXPECT_EQ(list.GetUndoInfo(&b), referring);
}

TEST_F(Undo, ACellDyingWithoutTellingTheListIsNeverTouchedAgain) {
    // A context that is not registered with the engine is not told when its cells die; its
    // lists keep the entries, and must still be safe to use and destroy (the sanitizer build
    // would report any access to the dead cell).
    CmoxUndoContext unregistered;
    CmoxCell keep("Keep", 150);
    auto doomed = std::make_unique<CmoxCell>("Doomed", 150);
    unregistered.BeginTransaction("x");
    unregistered.UndoList().AddUndoInfo(doomed.get(), Int(0, 1));
    unregistered.UndoList().AddUndoInfo(&keep, Int(0, 2));
    doomed.reset();
    CmoxCell newcomer("Newcomer", 150);
    EXPECT_TRUE(unregistered.UndoList().AddUndoInfo(&newcomer, Int(0, 3)));
    EXPECT_EQ(After(unregistered.UndoList().GetUndoInfo(&keep)), 2);
    EXPECT_EQ(unregistered.UndoList().GetCount(), 3);
    unregistered.EndTransaction();
}

// A dying cell's records leave both stacks, also while an undo is running.
TEST_F(Undo, ACellDyingBetweenOrDuringUndosIsForgotten) {
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

    auto first = std::make_unique<IntCell>("First");
    auto second = std::make_unique<IntCell>("Second");
    IntCell* secondRaw = second.get();
    Engine().BeginTransaction(ctx, "pair");
    first->Set(1);
    second->Set(1);
    Engine().EndTransaction();
    // Whichever PostUndo runs first destroys the other cell, which then gets none.
    first->onPostUndo = [&](CmoxUndoInfo*) { second.reset(); };
    secondRaw->onPostUndo = [&](CmoxUndoInfo*) { first.reset(); };
    Engine().Undo(ctx, 1);
    EXPECT_EQ((first ? 1 : 0) + (second ? 1 : 0), 1) << "exactly one cell was destroyed";
    EXPECT_EQ(first ? first->postUndoCalls : second->postUndoCalls, 1);
}

TEST_F(Undo, RegistryDepthAndDescriptionsFollowTheirRules) {
    CmoxUndoContext* edit = Context("Edit");
    EXPECT_EQ(Context("Edit"), edit);
    EXPECT_NE(Context("edit"), edit); // by exact name
    EXPECT_EQ(edit->MaximumUndoDepth(), 25);
    edit->MaximumUndoDepth(0);
    edit->MaximumUndoDepth(-3); // below one: ignored
    EXPECT_EQ(edit->MaximumUndoDepth(), 25);
    IntCell cell("Cell");
    Engine().BeginTransaction(edit, "Y");
    edit->BeginTransaction("X"); // the first description of a nested attach wins
    cell.Set(50);
    Engine().EndTransaction();
    EXPECT_EQ(edit->UndoDescriptions(), Names{"Y"});
    Engine().RemoveUndoContext("Edit");
    Engine().RemoveUndoContext("Nope");
    CmoxUndoContext* fresh = Context("Edit");
    EXPECT_TRUE(fresh->UndoDescriptions().empty());
    EXPECT_EQ(fresh->UndoListInProgress(), nullptr);
}

// The change notifier tells its clients at or below the cutoff after every recorded
// transaction, undo (even of nothing), redo, reset and change of the clean state, and only then.
TEST_F(Undo, ChangeNotifierTellsClientsAtOrBelowTheCutoffOfEveryChangeOfTheHistory) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    RecordingCell uiClient("UiClient", MOX_UI_PRIORITY, log);
    RecordingCell stateClient("StateClient", MOX_STATE_PRIORITY, log);
    ctx->GetChangeNotifier()->AddDependent(&stateClient);
    uiClient.MakeDependentOn(ctx->GetChangeNotifier());
    ctx->MarkClean(); // already clean: nothing to tell
    IntCell cell("Cell");
    Record(ctx, "A", cell, 1);
    EXPECT_EQ(Order(log), Names{"UiClient"});
    ctx->MarkClean();
    Engine().Undo(ctx, 1);
    Engine().Redo(ctx, 1);
    ctx->ResetUndo();
    Engine().Undo(ctx, 1); // empty stack: still tells the clients
    EXPECT_EQ(log.size(), 6u);
    Engine().Undo(ctx, 0); // below one: nothing at all
    ctx->MarkClean();      // still clean
    Engine().BeginTransaction(ctx, "empty");
    Engine().EndTransaction();
    EXPECT_EQ(Order(log), Names(6, "UiClient"));
}

// An undo tells UI dependents always and state ones that ask for it, with the record's user data
// and reason; PostUndo runs inside its transaction, with the context in progress only meanwhile.
TEST_F(Undo, UndoTellsItsDependentsAndRunsPostUndoInsideItsTransaction) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    IntCell cell("Cell"), side("Side");
    RecordingCell ui("UI", 50, log), state("State", 150, log), eager("Eager", 150, log);
    eager.UndoNotify(1);
    for (CmoxCell* dependent : std::initializer_list<CmoxCell*>{&ui, &state, &eager})
        cell.AddDependent(dependent);
    side.AddDependent(&ui);
    Engine().BeginTransaction(ctx, "set");
    cell.Set(3, 0x8);
    Engine().EndTransaction();
    log.clear();
    CmoxUndoContext* seen = nullptr;
    bool cellWasBeingUndone = false;
    int levelInPostUndo = 0;
    std::size_t logDuringPostUndo = 99;
    cell.onPostUndo = [&](CmoxUndoInfo*) {
        seen = Engine().UndoContextInProgress();
        cellWasBeingUndone = cell.IsUndoInProgress();
        levelInPostUndo = Engine().TransactionLevel();
        side.Set(1); // a deferred dependent waits for the end of the undo
        logDuringPostUndo = log.size();
    };
    Engine().Undo(ctx, 1);
    EXPECT_EQ(Order(log), (Names{"Eager", "UI", "UI"}));
    EXPECT_EQ(log[0].changed, Names{"Cell"});
    EXPECT_EQ(log[0].userData, std::vector<unsigned long>{0x8});
    EXPECT_EQ(log[0].reasons, std::vector<MoxChangeReason>{MOX_VALUE_CHANGED});
    EXPECT_EQ(log[2].changed, Names{"Side"});
    EXPECT_EQ(seen, ctx);
    EXPECT_TRUE(cellWasBeingUndone);
    EXPECT_GE(levelInPostUndo, 1);
    EXPECT_EQ(logDuringPostUndo, 0u);
    EXPECT_EQ(Engine().UndoContextInProgress(), nullptr);
    EXPECT_FALSE(cell.IsUndoInProgress());
    Engine().Undo(nullptr, 1); // a null context is ignored
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
}
