#pragma once
// The live undo records of one array cell, shared by the array and the records.

#include <algorithm>
#include <vector>

class CmoxArrayCell;
class CmoxArrayUndoInfo;
class CmoxCell;

namespace mox::detail {

/// What the records of one array know of each other and of their array. Records own cells
/// (elements destroyed or un-added by the transaction), and after a mix of undo, redo and
/// elements put back, two records of the same array can hold the same cell. The cell dies
/// through one of them; the others must forget it at once, also while a whole undo context is
/// being torn down and the undo lists are no longer told of dying cells.
struct ArrayRecordFamily {
    CmoxArrayCell* array = nullptr;     ///< The array while it lives, else null.
    const CmoxCell* identity = nullptr; ///< The array's address, for comparing parents.
    std::vector<CmoxArrayUndoInfo*> records;

    /// A record leaves the family (it is being destroyed).
    void Forget(const CmoxArrayUndoInfo* record) {
        records.erase(std::remove(records.begin(), records.end(), record), records.end());
    }
    /// `cell` is about to die: every record drops it.
    void RemoveCell(CmoxCell* cell);
};

} // namespace mox::detail
