// Memory per value cell: the object size and the heap that a 100,000-cell tree takes per cell,
// measured with the counting global operator new of this binary. The tree is a composite root
// with 100 composite groups of 1,000 long cells each. Two shapes: plain (a change reaches the
// group through the parent pointer), and groups made dependents of their children
// (MakeDependentOnChildren, so both sides of the dependency graph are in use).

#include "support/AllocationCounter.h"
#include "support/BenchCells.h"

#include <mox/collections/CmoxCompositeCell.h>

#include <memory>

namespace {

using moxbench::HeapUse;
using moxbench::LongCell;

constexpr int kGroups = 100;
constexpr int kLeavesPerGroup = 1000;

std::unique_ptr<CmoxCompositeCell> BuildTree(bool groupsDependOnChildren) {
    auto root = std::make_unique<CmoxCompositeCell>();
    for (int g = 0; g < kGroups; ++g) {
        auto* group = new CmoxCompositeCell();
        root->AddChild(group, 1);
        for (int l = 0; l < kLeavesPerGroup; ++l)
            group->AddChild(new LongCell("Leaf", 0, 0, MOX_STATE_PRIORITY), 1);
        if (groupsDependOnChildren) group->MakeDependentOnChildren();
    }
    return root;
}

void BM_MemoryPerValueCell(benchmark::State& state) {
    const bool withDependencies = state.range(0) != 0;
    HeapUse use;
    for (auto _ : state) {
        moxbench::StartCountingAllocations();
        std::unique_ptr<CmoxCompositeCell> tree = BuildTree(withDependencies);
        use = moxbench::StopCountingAllocations();
        benchmark::DoNotOptimize(tree.get());
    }
    const double cells = static_cast<double>(kGroups) * kLeavesPerGroup + kGroups + 1;
    state.counters["sizeof_cell"] = static_cast<double>(sizeof(LongCell));
    state.counters["sizeof_base"] = static_cast<double>(sizeof(CmoxCell));
    state.counters["heap_bytes_per_cell"] = static_cast<double>(use.bytes) / cells;
    state.counters["allocations_per_cell"] = static_cast<double>(use.allocations) / cells;
    state.SetLabel(withDependencies ? "groups depend on their children" : "plain tree");
}
BENCHMARK(BM_MemoryPerValueCell)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
