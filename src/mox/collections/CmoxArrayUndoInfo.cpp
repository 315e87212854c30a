#include <mox/collections/CmoxArrayUndoInfo.h>

#include <mox/collections/CmoxArrayCell.h>
#include <mox/collections/internal/ArrayRecordFamily.h>
#include <mox/core/CmoxCell.h>

#include <algorithm>

namespace {

bool Holds(const std::vector<CmoxCell*>& cells, const CmoxCell* cell) {
    return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

void EraseAll(std::vector<CmoxCell*>& cells, const CmoxCell* cell) {
    cells.erase(std::remove(cells.begin(), cells.end(), cell), cells.end());
}

} // namespace

CmoxArrayUndoInfo::CmoxArrayUndoInfo() {
    ReferencesCells(true);
}

CmoxArrayUndoInfo::~CmoxArrayUndoInfo() {
    if (m_family != nullptr) m_family->Forget(this);
    CmoxArrayCell* array = m_family != nullptr ? m_family->array : nullptr;
    const auto heldByArray = [array](const CmoxCell* cell) {
        return array != nullptr && array->IndexOf(cell) != -1;
    };
    // Decide first, destroy afterwards: a dying element may be a collection whose own teardown
    // reaches the undo lists again, and nothing here may change under that.
    std::vector<CmoxCell*> doomed;
    for (CmoxCell* cell : m_destroyed) {
        if (heldByArray(cell)) continue;
        // While the change is undone, the elements it destroyed are back in the array and
        // belong to it. That holds only for those the array held before the transaction: an
        // element that the same transaction added and then destroyed is in no snapshot an undo
        // restores, so nobody else will ever destroy it and the record keeps it in either state.
        if (m_undone && Holds(m_before, cell)) continue;
        doomed.push_back(cell);
    }
    for (CmoxCell* cell : m_removedByUndo) {
        if (heldByArray(cell) || Holds(doomed, cell)) continue;
        // A cell an earlier snapshot put back and that was then removed (handed to a caller)
        // is no longer the array's to give away.
        if (m_family != nullptr && cell->Parent() != m_family->identity) continue;
        doomed.push_back(cell);
    }
    m_destroyed.clear();
    m_removedByUndo.clear();
    for (CmoxCell* cell : doomed) {
        // The other records of the array forget it first: they may hold it too, and while a
        // whole undo context dies the undo lists no longer pass the news on.
        if (m_family != nullptr) m_family->RemoveCell(cell);
        delete cell;
    }
}

void CmoxArrayUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    auto* laterArray = dynamic_cast<CmoxArrayUndoInfo*>(later);
    if (laterArray == nullptr) return;
    m_after = laterArray->m_after;
    for (CmoxCell* cell : laterArray->m_destroyed)
        AddDestroyed(cell);
    // The later record is destroyed next; it must not take these cells with it.
    laterArray->m_destroyed.clear();
}

void CmoxArrayUndoInfo::RemoveCell(CmoxCell* cell) {
    EraseAll(m_after, cell);
    EraseAll(m_before, cell);
    EraseAll(m_destroyed, cell);
    EraseAll(m_removedByUndo, cell);
}

void CmoxArrayUndoInfo::AddDestroyed(CmoxCell* element) {
    if (!Holds(m_destroyed, element)) m_destroyed.push_back(element);
}

void mox::detail::ArrayRecordFamily::RemoveCell(CmoxCell* cell) {
    for (CmoxArrayUndoInfo* record : std::vector<CmoxArrayUndoInfo*>(records))
        record->RemoveCell(cell);
}
