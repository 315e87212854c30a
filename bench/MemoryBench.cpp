// Memory per value cell: the object size and the heap that a 100,000-cell tree takes per cell,
// measured with the counting global operator new of this binary. Two shapes: plain leaves (the
// usual settings tree, where a change reaches the parent through the parent pointer), and
// leaves that each have their group as a dependent (both sides of the graph in use).

#include "support/AllocationCounter.h"
#include "support/BenchCells.h"

#include <memory>
#include <vector>

namespace {

using moxbench::HeapUse;
using moxbench::LongCell;

constexpr int kGroups = 100;
constexpr int kLeavesPerGroup = 1000;

// A tree of kGroups groups under one root, each group the parent of kLeavesPerGroup long cells.
struct Tree {
    std::unique_ptr<CmoxCell> root;
    std::vector<std::unique_ptr<CmoxCell>> groups;
    std::vector<std::unique_ptr<LongCell>> leaves;
};

void Build(Tree& tree, bool groupDependsOnLeaves) {
    tree.root = std::make_unique<CmoxCell>("Root", MOX_STATE_PRIORITY);
    for (int g = 0; g < kGroups; ++g) {
        tree.groups.push_back(std::make_unique<CmoxCell>("Group", MOX_STATE_PRIORITY));
        tree.groups.back()->Parent(tree.root.get());
        for (int l = 0; l < kLeavesPerGroup; ++l) {
            tree.leaves.push_back(std::make_unique<LongCell>("Leaf", 0, 0, MOX_STATE_PRIORITY));
            tree.leaves.back()->Parent(tree.groups.back().get());
            if (groupDependsOnLeaves) tree.leaves.back()->AddParentAsDependent();
        }
    }
}

void BM_MemoryPerValueCell(benchmark::State& state) {
    const bool withDependencies = state.range(0) != 0;
    HeapUse use;
    for (auto _ : state) {
        Tree tree;
        // The containers of the harness are sized first, so that only the cells are counted.
        tree.groups.reserve(kGroups);
        tree.leaves.reserve(static_cast<std::size_t>(kGroups) * kLeavesPerGroup);
        moxbench::StartCountingAllocations();
        Build(tree, withDependencies);
        use = moxbench::StopCountingAllocations();
        benchmark::DoNotOptimize(tree.leaves.data());
    }
    const double cells = static_cast<double>(kGroups) * kLeavesPerGroup + kGroups + 1;
    state.counters["sizeof_cell"] = static_cast<double>(sizeof(LongCell));
    state.counters["sizeof_base"] = static_cast<double>(sizeof(CmoxCell));
    state.counters["heap_bytes_per_cell"] = static_cast<double>(use.bytes) / cells;
    state.counters["allocations_per_cell"] = static_cast<double>(use.allocations) / cells;
    state.SetLabel(withDependencies ? "leaves with their group as dependent" : "plain leaves");
}
BENCHMARK(BM_MemoryPerValueCell)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
