#pragma once
// Cells and timing helpers shared by the benchmark workloads.

#include <mox/mox.h>
#include <mox/values/CmoxLongCell.h>

#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace moxbench {

/// The value cell every workload changes.
using LongCell = CmoxLongCell;

/// A dependent that only counts its updates and the changes they carried: the least work an
/// Update can do, so that the benchmark sees the delivery cost.
class CountingCell : public CmoxCell {
  public:
    explicit CountingCell(long long* counter)
        : CmoxCell("Dep", MOX_STATE_PRIORITY), m_counter(counter) {}
    void Update(CmoxChangedList& changes) override { *m_counter += changes.GetCount(); }

  private:
    long long* m_counter;
};

/// A link of a chain: depends on the cell before it and copies that cell's value in Update.
class ChainCell : public LongCell {
  public:
    explicit ChainCell(LongCell* source)
        : LongCell("Link", 0, 0, MOX_STATE_PRIORITY), m_source(source) {
        MakeDependentOn(source);
    }
    using LongCell::Value;
    void Update(CmoxChangedList&) override { Value(m_source->Value()); }

  private:
    LongCell* m_source;
};

/// This thread's CPU time in nanoseconds. CPU time rather than wall time: the machines these
/// run on are shared, and time spent in other processes must not count.
inline double ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

/// CPU nanoseconds spent while `work` runs.
template <class F> double TimeNs(F&& work) {
    const double start = ThreadCpuNs();
    work();
    return ThreadCpuNs() - start;
}

/// Measures mox and its peers on the same workload in alternating batches inside one benchmark,
/// so that all see the same machine load; the ratio of mox to each peer is the robust number.
/// Side 0 is mox; side 1 is the main peer (counters `peer_ns_per_<unit>`, `ratio`); further
/// sides report under their own prefix (`<prefix>ns_per_<unit>`, `ratio_<prefix>`).
class PairedTimer {
  public:
    /// Runs one batch of `side` (0 mox, 1 the main peer, 2.. further peers) that does `units`
    /// units of work, and adds its time.
    template <class F> void Time(std::size_t side, F&& batch, long long units) {
        if (m_ns.size() <= side) {
            m_ns.resize(side + 1, 0.0);
            m_units.resize(side + 1, 0);
        }
        m_ns[side] += TimeNs(batch);
        m_units[side] += units;
    }
    /// Stores ns per unit for every side and mox's ratio to each peer as counters; `prefixes`
    /// names the sides from 2 on.
    void Report(benchmark::State& state, const char* unit,
                std::initializer_list<const char*> prefixes = {}) const {
        const double mox = PerUnit(0);
        state.counters[std::string("ns_per_") + unit] = mox;
        const double peer = PerUnit(1);
        state.counters[std::string("peer_ns_per_") + unit] = peer;
        state.counters["ratio"] = peer > 0 ? mox / peer : 0.0;
        std::size_t side = 2;
        for (const std::string prefix : prefixes) {
            const double other = PerUnit(side++);
            state.counters[prefix + "ns_per_" + unit] = other;
            state.counters["ratio_" + prefix.substr(0, prefix.size() - 1)] =
                other > 0 ? mox / other : 0.0;
        }
    }

  private:
    double PerUnit(std::size_t side) const {
        return side < m_units.size() && m_units[side] > 0
                   ? m_ns[side] / static_cast<double>(m_units[side])
                   : 0.0;
    }
    std::vector<double> m_ns;
    std::vector<long long> m_units;
};

/// Times one batch of every side with `timer`, each doing `units`, starting at a different side
/// every round so that no side always runs first, after the others warmed or cooled the caches.
template <class... Batches>
void RunRotated(PairedTimer& timer, long long round, long long units, Batches&... sides) {
    const std::function<void()> batches[] = {std::function<void()>(sides)...};
    constexpr std::size_t count = sizeof...(Batches);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t side = (static_cast<std::size_t>(round) + i) % count;
        timer.Time(side, batches[side], units);
    }
}

} // namespace moxbench
