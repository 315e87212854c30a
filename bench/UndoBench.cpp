// Undo and redo: recording one transaction of 100,000 changes, undoing it and redoing it; and
// a long editing session of 1,000 transactions of 100 changes each, where the undo stack keeps
// trimming its oldest list. No peer library: the targets are absolute (ns per change).

#include "support/BenchCells.h"

#include <algorithm>
#include <memory>
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

void BM_UndoLargeTransaction(benchmark::State& state) {
    const int changes = static_cast<int>(state.range(0));
    auto cells = MakeCells(changes);
    Cmox& engine = Cmox::Current();
    CmoxUndoContext* context = engine.GetUndoContext("bench");

    double recordNs = 0, undoNs = 0, redoNs = 0;
    long value = 0;
    bool restored = true;
    for (auto _ : state) {
        ++value;
        recordNs += TimeNs([&] {
            engine.BeginTransaction(context, "d");
            for (auto& cell : cells)
                cell->Value(value);
            engine.EndTransaction();
        });
        undoNs += TimeNs([&] { engine.Undo(context, 1); });
        restored =
            restored && cells.front()->Value() == value - 1 && cells.back()->Value() == value - 1;
        redoNs += TimeNs([&] { engine.Redo(context, 1); });
        restored = restored && cells.front()->Value() == value && cells.back()->Value() == value;
        state.PauseTiming();
        context->ResetUndo(); // the stacks would otherwise hold 25 lists of 100,000 records
        state.ResumeTiming();
    }
    engine.RemoveUndoContext("bench");
    if (!restored) {
        state.SkipWithError("undo or redo did not restore the values");
        return;
    }
    const double total = static_cast<double>(changes) * static_cast<double>(state.iterations());
    state.counters["record_ns_per_change"] = recordNs / total;
    state.counters["undo_ns_per_change"] = undoNs / total;
    state.counters["redo_ns_per_change"] = redoNs / total;
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
