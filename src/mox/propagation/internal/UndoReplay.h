#pragma once
// How many Cmox::Undo / Cmox::Redo calls are running, on all threads together. A cell's
// IsUndoInProgress is asked for every dependent of every change; while no undo runs anywhere,
// this one load answers it without looking up the thread's engine.

#include <atomic>

namespace mox::detail {

/// Number of undo or redo calls running on any thread.
extern std::atomic<int> g_undoReplays;

/// False only when no thread is running an undo or redo.
inline bool AnyUndoReplay() {
    return g_undoReplays.load(std::memory_order_acquire) != 0;
}

} // namespace mox::detail
