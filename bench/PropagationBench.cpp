// Change propagation against boost.signals2 and libsigc++: a fan-out of one change to N
// dependents against one emission to N slots, and a chain of 1,000 cells against a chain of
// 1,000 signals. Every side does the same work per receiver (count it, or copy the value on) and
// they run in rotating batches inside one benchmark, so the ratios are measured under one load.
// Counters: mox, boost.signals2 (peer_, ratio) and libsigc++ (sigc_, ratio_sigc).

#include "support/BenchCells.h"

#include <boost/signals2/signal.hpp>
#include <sigc++/signal.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using moxbench::ChainCell;
using moxbench::CountingCell;
using moxbench::LongCell;
using moxbench::PairedTimer;
using moxbench::RunRotated;

// Each batch delivers about this many updates, so one clock read covers enough work.
constexpr long long kUpdatesPerBatch = 20000;

void BM_FanOut(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const long long emissions = std::max<long long>(1, kUpdatesPerBatch / n);

    long long moxUpdates = 0;
    LongCell source("Source", 0, 0, MOX_STATE_PRIORITY);
    std::vector<std::unique_ptr<CountingCell>> dependents;
    for (int i = 0; i < n; ++i) {
        dependents.push_back(std::make_unique<CountingCell>(&moxUpdates));
        source.AddDependent(dependents.back().get());
    }

    long long peerUpdates = 0;
    boost::signals2::signal<void(long)> signal;
    for (int i = 0; i < n; ++i)
        signal.connect([&peerUpdates](long) { ++peerUpdates; });

    long long sigcUpdates = 0;
    sigc::signal<void(long)> sigcSignal;
    for (int i = 0; i < n; ++i)
        sigcSignal.connect([&sigcUpdates](long) { ++sigcUpdates; });

    long moxValue = 0, peerValue = 0, sigcValue = 0;
    auto moxBatch = [&] {
        for (long long e = 0; e < emissions; ++e)
            source.Value(++moxValue);
    };
    auto peerBatch = [&] {
        for (long long e = 0; e < emissions; ++e)
            signal(++peerValue);
    };
    auto sigcBatch = [&] {
        for (long long e = 0; e < emissions; ++e)
            sigcSignal.emit(++sigcValue);
    };

    PairedTimer timer;
    long long round = 0;
    for (auto _ : state)
        RunRotated(timer, round++, emissions * n, moxBatch, peerBatch, sigcBatch);
    if (moxUpdates != peerUpdates || moxUpdates != sigcUpdates ||
        moxUpdates != emissions * n * state.iterations()) {
        state.SkipWithError("mox and the peers delivered different numbers of updates");
        return;
    }
    timer.Report(state, "update", {"sigc_"});
    state.SetItemsProcessed(moxUpdates);
}
BENCHMARK(BM_FanOut)->RangeMultiplier(10)->Range(1, 10000);

void BM_Chain(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const long long links = length - 1; // updates per change of the head
    const long long changes = std::max<long long>(1, kUpdatesPerBatch / links);

    LongCell head("Head", 0, 0, MOX_STATE_PRIORITY);
    std::vector<std::unique_ptr<ChainCell>> chain;
    LongCell* previous = &head;
    for (int i = 1; i < length; ++i) {
        chain.push_back(std::make_unique<ChainCell>(previous));
        previous = chain.back().get();
    }
    LongCell* tail = previous;

    std::vector<boost::signals2::signal<void(long)>> signals(static_cast<std::size_t>(length));
    std::vector<long> values(static_cast<std::size_t>(length), 0);
    for (std::size_t i = 0; i + 1 < signals.size(); ++i)
        signals[i].connect([&signals, &values, i](long value) {
            // Like the cell's setter: pass a value on only when it differs.
            if (values[i + 1] == value) return;
            values[i + 1] = value;
            signals[i + 1](value);
        });

    std::vector<sigc::signal<void(long)>> sigcSignals(static_cast<std::size_t>(length));
    std::vector<long> sigcValues(static_cast<std::size_t>(length), 0);
    for (std::size_t i = 0; i + 1 < sigcSignals.size(); ++i)
        sigcSignals[i].connect([&sigcSignals, &sigcValues, i](long value) {
            if (sigcValues[i + 1] == value) return;
            sigcValues[i + 1] = value;
            sigcSignals[i + 1].emit(value);
        });

    long moxValue = 0, peerValue = 0, sigcValue = 0;
    auto moxBatch = [&] {
        for (long long c = 0; c < changes; ++c)
            head.Value(++moxValue);
    };
    auto peerBatch = [&] {
        for (long long c = 0; c < changes; ++c) {
            values[0] = ++peerValue;
            signals[0](peerValue);
        }
    };
    auto sigcBatch = [&] {
        for (long long c = 0; c < changes; ++c) {
            sigcValues[0] = ++sigcValue;
            sigcSignals[0].emit(sigcValue);
        }
    };

    PairedTimer timer;
    long long round = 0;
    for (auto _ : state)
        RunRotated(timer, round++, changes * links, moxBatch, peerBatch, sigcBatch);
    if (tail->Value() != moxValue || values.back() != peerValue || sigcValues.back() != sigcValue) {
        state.SkipWithError("a chain did not carry the value to its end");
        return;
    }
    timer.Report(state, "update", {"sigc_"});
    state.SetItemsProcessed(changes * links * state.iterations());
}
BENCHMARK(BM_Chain)->Arg(1000);

} // namespace
