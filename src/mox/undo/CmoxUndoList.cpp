#include <mox/undo/CmoxUndoList.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/CmoxCellList.h>
#include <mox/propagation/Cmox.h>
#include <mox/undo/CmoxUndoInfo.h>

#include <algorithm>

CmoxUndoList::CmoxUndoList(const char* description)
    : m_description(description != nullptr ? description : "") {}

CmoxUndoList::~CmoxUndoList() {
    // A record may stand under several cells: it dies with its last entry, so exactly once.
    std::vector<Entry> entries;
    entries.swap(m_entries);
    m_index.clear();
    m_cellReferrers.clear();
    for (const Entry& entry : entries)
        if (entry.cell != nullptr && --entry.record->m_filings == 0) delete entry.record;
    delete m_inProgress;
}

bool CmoxUndoList::AddUndoInfo(CmoxCell* cell, CmoxUndoInfo* record) {
    auto found = m_index.find(cell);
    if (found != m_index.end()) {
        CmoxUndoInfo* existing = m_entries[found->second].record;
        if (existing != record) {
            existing->Merge(record);
            delete record;
        }
        return false;
    }
    m_entries.push_back(Entry{cell, record});
    m_index.emplace(cell, m_entries.size() - 1);
    ++record->m_filings;
    if (record->ReferencesCells() &&
        std::find(m_cellReferrers.begin(), m_cellReferrers.end(), record) == m_cellReferrers.end())
        m_cellReferrers.push_back(record);
    return true;
}

CmoxUndoInfo* CmoxUndoList::GetUndoInfo(const CmoxCell* cell) const {
    auto found = m_index.find(cell);
    return found != m_index.end() ? m_entries[found->second].record : nullptr;
}

void CmoxUndoList::Erase(std::size_t at) {
    --m_entries[at].record->m_filings;
    m_index.erase(m_entries[at].cell);
    m_entries[at].cell = nullptr;
    ++m_holes;
}

void CmoxUndoList::Compact() {
    // Positions must stay put while a replay walks them.
    if (m_inProgress != nullptr || m_holes * 2 < m_entries.size() + 16) return;
    std::size_t out = 0;
    for (const Entry& entry : m_entries)
        if (entry.cell != nullptr) m_entries[out++] = entry;
    m_entries.resize(out);
    m_holes = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_index[m_entries[i].cell] = i;
}

void CmoxUndoList::RemoveUndoInfo(CmoxUndoInfo* record) {
    if (record == nullptr) return;
    for (std::size_t i = 0; i < m_entries.size() && record->m_filings > 0; ++i)
        if (m_entries[i].cell != nullptr && m_entries[i].record == record) Erase(i);
    m_cellReferrers.erase(std::remove(m_cellReferrers.begin(), m_cellReferrers.end(), record),
                          m_cellReferrers.end());
    Compact();
}

void CmoxUndoList::RemoveCell(CmoxCell* cell) {
    auto found = m_index.find(cell);
    if (found != m_index.end()) {
        CmoxUndoInfo* record = m_entries[found->second].record;
        Erase(found->second);
        // Only a record filed under other cells too needs the walk for its other entries.
        if (record->m_filings > 0 || record->ReferencesCells())
            RemoveUndoInfo(record);
        else
            Compact();
        delete record;
    }
    if (m_inProgress != nullptr) m_inProgress->Remove(cell);
    // Only records that refer to other cells can hold this one; the rest ignore RemoveCell.
    for (CmoxUndoInfo* referrer : std::vector<CmoxUndoInfo*>(m_cellReferrers))
        referrer->RemoveCell(cell);
}

void CmoxUndoList::Undo(CmoxCellList& collected) {
    UndoRedo(true, collected);
}
void CmoxUndoList::Redo(CmoxCellList& collected) {
    UndoRedo(false, collected);
}

void CmoxUndoList::UndoRedo(bool undo, CmoxCellList& collected) {
    delete m_inProgress;
    m_inProgress = new CmoxCellList;
    // Snapshot of the entries: an Undo may not file records, but a cell's Undo could destroy
    // another cell, which takes its entry out through RemoveCell.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry entry = m_entries[i];
        if (entry.cell == nullptr) continue;
        if (undo)
            entry.cell->Undo(entry.record);
        else
            entry.cell->Redo(entry.record);
        if (!m_inProgress->Contains(entry.cell)) m_inProgress->AddTail(entry.cell);
        if (!collected.Contains(entry.cell)) collected.AddTail(entry.cell);
    }
    {
        Cmox& engine = Cmox::Current();
        engine.BeginTransaction(nullptr, nullptr);
        struct EndOnExit {
            Cmox& engine;
            ~EndOnExit() { engine.EndTransaction(); }
        } end{engine};
        while (CmoxCell* cell = m_inProgress->RemoveHead())
            if (CmoxUndoInfo* record = GetUndoInfo(cell)) cell->PostUndo(record);
    }
    delete m_inProgress;
    m_inProgress = nullptr;
    Compact();
}
