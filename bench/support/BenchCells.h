#pragma once
// Cells and timing helpers shared by the benchmark workloads.

#include <mox/mox.h>
#include <mox/values/CmoxLongCell.h>

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

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

/// Measures mox and a peer on the same workload in alternating batches inside one benchmark,
/// so that both see the same machine load; the ratio of the two is the robust number.
class PairedTimer {
  public:
    /// Runs one mox batch that does `units` units of work and adds its time.
    template <class F> void Mox(F&& batch, long long units) {
        Time(batch, m_moxNs, m_moxUnits, units);
    }
    /// Runs one peer batch that does `units` units of work and adds its time.
    template <class F> void Peer(F&& batch, long long units) {
        Time(batch, m_peerNs, m_peerUnits, units);
    }
    /// Stores ns per unit for both sides and their ratio (mox / peer) as counters.
    void Report(benchmark::State& state, const char* unit) const {
        const double mox = m_moxUnits > 0 ? m_moxNs / static_cast<double>(m_moxUnits) : 0.0;
        const double peer = m_peerUnits > 0 ? m_peerNs / static_cast<double>(m_peerUnits) : 0.0;
        state.counters[std::string("ns_per_") + unit] = mox;
        state.counters[std::string("peer_ns_per_") + unit] = peer;
        state.counters["ratio"] = peer > 0 ? mox / peer : 0.0;
    }

  private:
    template <class F> static void Time(F& batch, double& ns, long long& total, long long units) {
        ns += TimeNs(batch);
        total += units;
    }
    double m_moxNs = 0, m_peerNs = 0;
    long long m_moxUnits = 0, m_peerUnits = 0;
};

} // namespace moxbench
