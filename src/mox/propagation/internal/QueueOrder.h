#pragma once
// Tells notify lists that a queued cell's priority changed, so that their fast placement
// (which trusts the priority an entry was placed with) gives way to a walk from the head.

namespace mox::detail {

/// Called when the priority of a cell that has a queue entry changes.
void NoteQueuedPriorityChange();
/// Changes whenever NoteQueuedPriorityChange is called.
unsigned int QueueOrderEpoch();

} // namespace mox::detail
