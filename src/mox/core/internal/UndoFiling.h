#pragma once
// Filing the undo record that a cell's Changed was handed.

#include <mox/core/MoxConstants.h>

class Cmox;
class CmoxCell;
class CmoxUndoInfo;

namespace mox::detail {

// Files `undo` (null: nothing to do) under `cell` in the engine's current undo list, stamped
// with the change's user data and reason, when an undo context records; otherwise destroys it,
// since nobody else will ever own it. For the Changed of cells and collections, after they
// checked that the engine records changes at all.
void FileUndoRecord(Cmox& engine, CmoxCell* cell, unsigned long userData, MoxChangeReason reason,
                    CmoxUndoInfo* undo);

} // namespace mox::detail
