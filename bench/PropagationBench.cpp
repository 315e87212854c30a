// Change propagation against boost.signals2: a fan-out of one change to N dependents against
// one emission to N slots, and a chain of 1,000 cells against a chain of 1,000 signals.
// Both sides do the same work per receiver (count it, or copy the value on) and run in
// alternating batches inside one benchmark, so the ratio is measured under the same load.

#include "support/BenchCells.h"

#include <boost/signals2/signal.hpp>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using moxbench::ChainCell;
using moxbench::CountingCell;
using moxbench::LongCell;
using moxbench::PairedTimer;

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

    long moxValue = 0, peerValue = 0;
    auto moxBatch = [&] {
        for (long long e = 0; e < emissions; ++e)
            source.Value(++moxValue);
    };
    auto peerBatch = [&] {
        for (long long e = 0; e < emissions; ++e)
            signal(++peerValue);
    };

    PairedTimer timer;
    bool moxFirst = true;
    for (auto _ : state) {
        if (moxFirst) {
            timer.Mox(moxBatch, emissions * n);
            timer.Peer(peerBatch, emissions * n);
        } else {
            timer.Peer(peerBatch, emissions * n);
            timer.Mox(moxBatch, emissions * n);
        }
        moxFirst = !moxFirst;
    }
    if (moxUpdates != peerUpdates || moxUpdates != emissions * n * state.iterations()) {
        state.SkipWithError("mox and the peer delivered different numbers of updates");
        return;
    }
    timer.Report(state, "update");
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

    long moxValue = 0, peerValue = 0;
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

    PairedTimer timer;
    bool moxFirst = true;
    for (auto _ : state) {
        if (moxFirst) {
            timer.Mox(moxBatch, changes * links);
            timer.Peer(peerBatch, changes * links);
        } else {
            timer.Peer(peerBatch, changes * links);
            timer.Mox(moxBatch, changes * links);
        }
        moxFirst = !moxFirst;
    }
    if (tail->Value() != moxValue || values.back() != peerValue) {
        state.SkipWithError("a chain did not carry the value to its end");
        return;
    }
    timer.Report(state, "update");
    state.SetItemsProcessed(changes * links * state.iterations());
}
BENCHMARK(BM_Chain)->Arg(1000);

} // namespace
