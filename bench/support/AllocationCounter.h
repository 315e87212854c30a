#pragma once
// Counts what the global operator new hands out, so that the memory workloads can report heap
// bytes per cell. The replacement operators live in AllocationCounter.cpp and serve the whole
// benchmark binary (and the mox library it loads); counting costs nothing while it is off.

#include <cstddef>

namespace moxbench {

/// Heap use seen by the counting operator new while counting was on.
struct HeapUse {
    long long allocations = 0; ///< operator new calls minus operator delete calls
    long long bytes = 0;       ///< usable bytes of those blocks (what malloc really reserved)
};

/// Starts counting from zero.
void StartCountingAllocations();
/// Stops counting and returns what is still allocated of what was allocated meanwhile (blocks
/// freed meanwhile that were allocated before counting started count negative).
HeapUse StopCountingAllocations();

} // namespace moxbench
