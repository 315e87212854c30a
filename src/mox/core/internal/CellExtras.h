#pragma once
// The parts of a cell that most cells never use, kept behind one pointer that is set when the
// first of them is: most cells of a large tree have no dependees, no update function and no
// undo record, and a cell's size is what a large tree costs.

#include <mox/core/CmoxCell.h>

#include <cstdint>

namespace mox::detail {

/// A cell's rarely used fields.
struct CellExtras {
    CmoxCellList dependees;                     ///< The cells this one depends on.
    MoxUpdateFunction updateFunction = nullptr; ///< Run by the base Update, or null.
    /// Where the cell's latest undo record is filed (the undo lists' part of the cell's
    /// bookkeeping): the list and the position there. The list clears it when it lets go of
    /// the entry, so filing and finding a record need no table.
    CmoxUndoList* undoList = nullptr;
    std::uint32_t undoSlot = 0; ///< The entry's position in undoList.
};

} // namespace mox::detail
