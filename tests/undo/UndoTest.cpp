// Undo lists, records and contexts. Random transactions of every value kind and an array with
// undo and redo to any depth, trimming and clean marks are checked against a model in
// UndoRandomTest.cpp, and the undo lists check themselves in the sanitizer build; these pin what
// a model cannot see: merging, records filed in several lists, cells dying, and who is told.
#include "support/MoxTest.h"
#include "support/Recorder.h"
#include "support/TestCells.h"

#include <memory>
#include <sstream>
#include <thread>
#include <vector>

using namespace moxtest;

namespace {

// A record of IntCell's kind with the given after-value, user data and reason.
IntUndoInfo* Int(int after, unsigned long data = 0, MoxChangeReason reason = MOX_VALUE_CHANGED) {
    auto* made = new IntUndoInfo(0, after);
    made->UserData(data);
    made->Reason(reason);
    return made;
}

// A record as "after/user data/reason", or "none".
std::string Show(CmoxUndoInfo* record) {
    if (record == nullptr) return "none";
    return std::to_string(dynamic_cast<IntUndoInfo&>(*record).after) + '/' +
           std::to_string(record->UserData()) + '/' + std::to_string(record->Reason());
}

// The names of the cells that undoing `lists` in turn collects, in order.
std::string Replayed(std::initializer_list<CmoxUndoList*> lists) {
    CmoxCellList collected;
    for (CmoxUndoList* list : lists)
        list->Undo(collected);
    std::string names;
    for (CmoxCell* cell : collected.ToVector())
        names += cell->Name() + ',';
    return names;
}

// A record that refers to another cell and forgets it when it dies.
class ReferringRecord : public CmoxUndoInfo {
  public:
    explicit ReferringRecord(CmoxCell* other) : referred(other) { ReferencesCells(true); }
    void RemoveCell(CmoxCell* cell) override {
        if (cell == referred) referred = nullptr;
    }
    CmoxCell* referred;
};

class Undo : public MoxTest {
  protected:
    CmoxUndoContext* Context(const char* name = "Edit") { return Engine().GetUndoContext(name); }
    // Records one transaction setting `cell` to `value`.
    void Record(CmoxUndoContext* ctx, const char* description, IntCell& cell, int value,
                unsigned long userData = 0) {
        Engine().BeginTransaction(ctx, description);
        cell.Set(value, userData);
        Engine().EndTransaction();
    }
    // A transcript: values apart by a space, "\n" starts a new line.
    struct Transcript {
        template <class V> Transcript& operator<<(const V& value) {
            std::ostringstream item;
            item << value;
            if (!text.empty() && text.back() != '\n' && item.str() != "\n") text += ' ';
            text += item.str();
            return *this;
        }
        std::string text;
    };
    // Appends every Update logged since the last call as "cell<changed/user data/reason", then
    // a bar.
    void Told(UpdateLog& log) {
        for (const UpdateRecord& update : log)
            for (std::size_t i = 0; i < update.changed.size(); ++i)
                m_log << update.cell + '<' + update.changed[i] + '/' +
                             std::to_string(update.userData[i]) + '/' +
                             std::to_string(update.reasons[i]);
        m_log << '|';
        log.clear();
    }
    Transcript m_log;
};

} // namespace

TEST_F(Undo, ListsMergeEachCellsRecordsAndReplayEachCellOnce) {
    CmoxCell cell("Cell", 150), other("Other", 150);
    CmoxUndoList first("first"), second("second");
    // A cell's record is found through its latest filing; a list it was filed in before still
    // merges into its own record there: user data combine, differing reasons make a value change.
    IntUndoInfo* kept = Int(1, 1, MOX_RANGE_CHANGED);
    m_log << first.AddUndoInfo(&other, Int(5)) << first.AddUndoInfo(&cell, kept)
          << second.AddUndoInfo(&cell, Int(2))
          << first.AddUndoInfo(&cell, Int(7, 4, MOX_RANGE_CHANGED))
          << (first.GetUndoInfo(&cell) == kept) << Show(kept);
    first.AddUndoInfo(&cell, Int(8, 0, MOX_DEFAULT_CHANGED));
    m_log << Show(kept) << first.GetCount() << Show(second.GetUndoInfo(&cell))
          << Show(second.GetUndoInfo(&other)) << Replayed({&second, &first});
    // A record removed and filed again is found as the new one, not merged into the old.
    CmoxUndoInfo* removed = second.GetUndoInfo(&cell);
    second.RemoveUndoInfo(removed);
    delete removed;
    IntUndoInfo* again = Int(3);
    m_log << "\n"
          << second.HasUndoInfo() << second.AddUndoInfo(&cell, again)
          << (second.GetUndoInfo(&cell) == again);
    // Records stay found when removals squeeze a long list; a replay skips the holes.
    std::vector<std::unique_ptr<CmoxCell>> cells;
    std::vector<IntUndoInfo*> records;
    CmoxUndoList list("x");
    for (int i = 0; i < 60; ++i) {
        cells.push_back(std::make_unique<CmoxCell>(("c" + std::to_string(i)).c_str(), 150));
        records.push_back(Int(i));
        list.AddUndoInfo(cells.back().get(), records.back());
    }
    for (std::size_t i = 0; i < 60; ++i) {
        if (i % 6 == 0) continue;
        list.RemoveUndoInfo(records[i]);
        delete records[i];
        records[i] = nullptr;
    }
    for (std::size_t i = 0; i < 60; ++i)
        if (list.GetUndoInfo(cells[i].get()) != records[i]) m_log << "lost" << i;
    m_log << list.GetCount() << list.AddUndoInfo(cells[6].get(), Int(99)) << Show(records[6])
          << Replayed({&list});
    EXPECT_EQ(m_log.text, R"(1 1 1 0 1 7/5/2 8/5/1 2 2/0/1 none Cell,Other,
0 1 1 10 0 99/0/1 c0,c6,c12,c18,c24,c30,c36,c42,c48,c54,)");
}

TEST_F(Undo, RecordsOfDyingCellsAreForgottenOnceAndNeverTouched) {
    int deaths = 0;
    CmoxCell a("A", 150), b("B", 150), c("C", 150), kept("Kept", 150);
    {
        CmoxUndoList list("x"); // a record shared by two cells dies once with its list
        auto* shared = new CountingRecord(deaths);
        list.AddUndoInfo(&a, shared);
        list.AddUndoInfo(&b, shared);
        list.AddUndoInfo(&c, new CountingRecord(deaths));
    }
    m_log << deaths;
    // A dying cell takes every entry of its record with it; a record referring to it is told
    // and stays filed.
    CmoxUndoList list("y");
    auto* shared = new CountingRecord(deaths);
    list.AddUndoInfo(&a, shared);
    list.AddUndoInfo(&b, shared);
    list.RemoveCell(&a);
    m_log << deaths << Show(list.GetUndoInfo(&b));
    list.RemoveCell(&a); // no record: nothing happens
    auto* referring = new ReferringRecord(&c);
    list.AddUndoInfo(&b, referring);
    list.RemoveCell(&c);
    m_log << deaths << (referring->referred == nullptr) << (list.GetUndoInfo(&b) == referring);
    // A context that is not registered with the engine is not told when its cells die; its lists
    // keep the entries and must stay safe to use and destroy (the sanitizer build would report
    // any access to the dead cell).
    CmoxUndoContext unregistered;
    auto doomed = std::make_unique<CmoxCell>("Doomed", 150);
    unregistered.BeginTransaction("x");
    CmoxUndoList& open = unregistered.UndoList();
    open.AddUndoInfo(doomed.get(), Int(1));
    open.AddUndoInfo(&kept, Int(2));
    doomed.reset();
    CmoxCell newcomer("Newcomer", 150);
    m_log << "\n"
          << open.AddUndoInfo(&newcomer, Int(3)) << Show(open.GetUndoInfo(&kept))
          << open.GetCount();
    unregistered.EndTransaction();
    // Whichever PostUndo runs first destroys the other cell, which then gets none.
    CmoxUndoContext* ctx = Context();
    auto firstCell = std::make_unique<IntCell>("First");
    auto secondCell = std::make_unique<IntCell>("Second");
    IntCell* second = secondCell.get();
    Engine().BeginTransaction(ctx, "pair");
    firstCell->Set(1);
    second->Set(1);
    Engine().EndTransaction();
    firstCell->onPostUndo = [&](CmoxUndoInfo*) { secondCell.reset(); };
    second->onPostUndo = [&](CmoxUndoInfo*) { firstCell.reset(); };
    Engine().Undo(ctx, 1);
    m_log << (!firstCell + !secondCell) << (firstCell ? firstCell : secondCell)->postUndoCalls;
    EXPECT_EQ(m_log.text, R"(2 3 none 3 1 1
1 2/0/1 3 1 1)");
}

// The change notifier tells its clients at or below the cutoff after every recorded
// transaction, undo (even of nothing), redo, reset and change of the clean state, and only then.
// An undo tells UI dependents always and state ones that ask for it, with the record's user data
// and reason; PostUndo runs inside its transaction, with the context in progress only meanwhile.
TEST_F(Undo, ContextsTellTheirClientsAndDependentsByTheirRules) {
    UpdateLog log;
    CmoxUndoContext* ctx = Context();
    IntCell cell("Cell"), side("Side");
    int deaths = 0;
    Engine().BeginTransaction(ctx, "stopped"); // stopped recording or no context files nothing
    Engine().StopRecordingChanges();
    cell.Set(4);
    Engine().StartRecordingChanges();
    m_log << Engine().UndoList().HasUndoInfo();
    Engine().EndTransaction();
    cell.Changed(0, MOX_VALUE_CHANGED, 0, new CountingRecord(deaths));
    m_log << ctx->UndoDescriptions().size() << deaths;
    {
        RecordingCell uiClient("UiClient", MOX_UI_PRIORITY, log);
        RecordingCell stateClient("StateClient", MOX_STATE_PRIORITY, log);
        ctx->GetChangeNotifier()->AddDependent(&stateClient);
        uiClient.MakeDependentOn(ctx->GetChangeNotifier());
        ctx->MarkClean(); // already clean: nothing to tell
        Record(ctx, "A", cell, 1);
        Told(log);
        ctx->MarkClean();
        Engine().Undo(ctx, 1);
        Engine().Redo(ctx, 1);
        ctx->ResetUndo();
        Engine().Undo(ctx, 1); // an empty stack: still told
        Told(log);
        Engine().Undo(ctx, 0); // below one: nothing at all
        ctx->MarkClean();      // still clean
        Engine().BeginTransaction(ctx, "empty");
        Engine().EndTransaction();
        Told(log);
    }
    RecordingCell ui("UI", 50, log), state("State", 150, log), eager("Eager", 150, log);
    eager.UndoNotify(1);
    for (CmoxCell* dependent : std::initializer_list<CmoxCell*>{&ui, &state, &eager})
        cell.AddDependent(dependent);
    side.AddDependent(&ui);
    Record(ctx, "set", cell, 3, 0x8);
    log.clear();
    cell.onPostUndo = [&](CmoxUndoInfo*) {
        m_log << "\n"
              << (Engine().UndoContextInProgress() == ctx) << cell.IsUndoInProgress()
              << (Engine().TransactionLevel() >= 1);
        side.Set(1); // a deferred dependent waits for the end of the undo
        Told(log);
    };
    Engine().Undo(ctx, 1);
    Told(log);
    Engine().Undo(nullptr, 1); // a null context is ignored
    m_log << (Engine().UndoContextInProgress() == nullptr) << cell.IsUndoInProgress();
    // Contexts are found by exact name; a depth below one is ignored; the first description of
    // a nested attach wins.
    m_log << "\n"
          << (Context("Edit") == ctx) << (Context("edit") != ctx) << ctx->MaximumUndoDepth();
    ctx->MaximumUndoDepth(0);
    ctx->MaximumUndoDepth(-3);
    Engine().BeginTransaction(ctx, "Y");
    ctx->BeginTransaction("X");
    cell.Set(50);
    Engine().EndTransaction();
    m_log << ctx->MaximumUndoDepth() << ctx->UndoDescriptions().size()
          << ctx->UndoDescriptions().at(0);
    EXPECT_EQ(
        m_log.text,
        R"(0 0 1 UiClient<NoName/0/1 | UiClient<NoName/0/1 UiClient<NoName/0/1 UiClient<NoName/0/1 UiClient<NoName/0/1 UiClient<NoName/0/1 | |
1 1 1 | Eager<Cell/8/1 UI<Cell/8/1 UI<Side/0/1 | 1 0
1 1 25 25 1 Y)");
}

// The main thread's registry is its own; the engine releases the worker's contexts when the
// thread ends, after the cell died.
TEST_F(Undo, WorkerThreadRecordsAndUndoesWithItsOwnContexts) {
    std::thread worker([&] {
        IntCell cell("WorkerCell");
        CmoxUndoContext* ctx = Context();
        Record(ctx, "worker", cell, 9);
        Engine().Undo(ctx, 1);
        m_log << cell.Get();
        Engine().Redo(ctx, 1);
        m_log << cell.Get();
    });
    worker.join();
    m_log << Context()->UndoDescriptions().size();
    EXPECT_EQ(m_log.text, "0 9 0");
}
