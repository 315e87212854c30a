// Undo and redo: recording one transaction of 100,000 changes, undoing it and redoing it,
// against Qt's QUndoStack doing the same (one command per change, all in one macro), the two in
// alternating iterations; and a long editing session of 1,000 transactions of 100 changes each,
// where the undo stack keeps trimming its oldest list (no peer).

#include "support/BenchCells.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using moxbench::LongCell;
using moxbench::TimeNs;

std::vector<std::unique_ptr<LongCell>> MakeCells(int count) {
    std::vector<std::unique_ptr<LongCell>> cells;
    cells.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        cells.push_back(std::make_unique<LongCell>("Cell", 0, 0, MOX_STATE_PRIORITY));
    return cells;
}

// The peer's change: a plain value set by an undoable command, as an application keeps it.
class SetValueCommand : public QUndoCommand {
  public:
    SetValueCommand(long* value, long next) : m_value(value), m_old(*value), m_new(next) {}
    void redo() override { *m_value = m_new; }
    void undo() override { *m_value = m_old; }

  private:
    long* m_value;
    long m_old, m_new;
};

// Record, undo and redo times of one side, summed over the iterations.
struct UndoTimes {
    double record = 0, undo = 0, redo = 0;
    void Report(benchmark::State& state, const std::string& prefix, double changes) const {
        state.counters[prefix + "record_ns_per_change"] = record / changes;
        state.counters[prefix + "undo_ns_per_change"] = undo / changes;
        state.counters[prefix + "redo_ns_per_change"] = redo / changes;
    }
};

void BM_UndoLargeTransaction(benchmark::State& state) {
    const int changes = static_cast<int>(state.range(0));
    auto cells = MakeCells(changes);
    Cmox& engine = Cmox::Current();
    CmoxUndoContext* context = engine.GetUndoContext("bench");
    std::vector<long> values(static_cast<std::size_t>(changes), 0);
    QUndoStack stack;

    UndoTimes mox, qt;
    long value = 0;
    bool restored = true;
    auto moxSide = [&] {
        mox.record += TimeNs([&] {
            engine.BeginTransaction(context, "d");
            for (auto& cell : cells)
                cell->Value(value);
            engine.EndTransaction();
        });
        mox.undo += TimeNs([&] { engine.Undo(context, 1); });
        restored =
            restored && cells.front()->Value() == value - 1 && cells.back()->Value() == value - 1;
        mox.redo += TimeNs([&] { engine.Redo(context, 1); });
        restored = restored && cells.front()->Value() == value && cells.back()->Value() == value;
    };
    auto qtSide = [&] {
        qt.record += TimeNs([&] {
            stack.beginMacro("d");
            for (long& v : values)
                stack.push(new SetValueCommand(&v, value));
            stack.endMacro();
        });
        qt.undo += TimeNs([&] { stack.undo(); });
        restored = restored && values.front() == value - 1 && values.back() == value - 1;
        qt.redo += TimeNs([&] { stack.redo(); });
        restored = restored && values.front() == value && values.back() == value;
    };
    for (auto _ : state) {
        ++value;
        if (value % 2 != 0) {
            moxSide();
            qtSide();
        } else {
            qtSide();
            moxSide();
        }
        state.PauseTiming();
        context->ResetUndo(); // the stacks would otherwise hold 25 lists of 100,000 records
        stack.clear();
        state.ResumeTiming();
    }
    engine.RemoveUndoContext("bench");
    if (!restored) {
        state.SkipWithError("undo or redo did not restore the values");
        return;
    }
    const double total = static_cast<double>(changes) * static_cast<double>(state.iterations());
    mox.Report(state, "", total);
    qt.Report(state, "qt_", total);
    for (const char* phase : {"record", "undo", "redo"}) {
        const std::string name = std::string(phase) + "_ns_per_change";
        const double peer = state.counters["qt_" + name].value;
        state.counters[std::string("ratio_qt_") + phase] =
            peer > 0 ? state.counters[name].value / peer : 0.0;
    }
}
BENCHMARK(BM_UndoLargeTransaction)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_UndoManyTransactions(benchmark::State& state) {
    const int transactions = static_cast<int>(state.range(0));
    const int perTransaction = static_cast<int>(state.range(1));
    constexpr int kCells = 1000;
    auto cells = MakeCells(kCells);
    Cmox& engine = Cmox::Current();
    CmoxUndoContext* context = engine.GetUndoContext("bench");

    double ns = 0;
    long value = 0;
    bool trimmed = true;
    for (auto _ : state) {
        ns += TimeNs([&] {
            int next = 0;
            for (int t = 0; t < transactions; ++t) {
                ++value;
                engine.BeginTransaction(context, "d");
                for (int c = 0; c < perTransaction; ++c) {
                    cells[static_cast<std::size_t>(next)]->Value(value);
                    next = (next + 1) % kCells;
                }
                engine.EndTransaction();
            }
        });
        state.PauseTiming();
        trimmed = trimmed && static_cast<int>(context->UndoDescriptions().size()) ==
                                 std::min(transactions, context->MaximumUndoDepth());
        context->ResetUndo();
        state.ResumeTiming();
    }
    engine.RemoveUndoContext("bench");
    if (!trimmed) {
        state.SkipWithError("the undo stack was not trimmed to its maximum depth");
        return;
    }
    state.counters["ns_per_change"] = ns / (static_cast<double>(transactions) * perTransaction *
                                            static_cast<double>(state.iterations()));
}
BENCHMARK(BM_UndoManyTransactions)->Args({1000, 100})->Unit(benchmark::kMillisecond);

} // namespace
