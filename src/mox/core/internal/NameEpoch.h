#pragma once
// A count of the chances any cell's name had to change, so that a look-up table of names can
// tell whether it may be out of date without reading every name again.

namespace mox::detail {

// Moves on whenever some cell's name is set or handed out for modification (on any thread).
// A table built while it read N is still right while it reads N, provided the table's owner
// also drops it when its own set of cells changes.
unsigned long long CellNameEpoch();

} // namespace mox::detail
