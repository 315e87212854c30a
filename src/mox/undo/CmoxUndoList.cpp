#include <mox/undo/CmoxUndoList.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/CmoxCellList.h>
#include <mox/core/internal/CellExtras.h>
#include <mox/core/internal/Invariants.h>
#include <mox/core/internal/PointerMap.h>
#include <mox/propagation/Cmox.h>
#include <mox/propagation/internal/ScopedTransaction.h>
#include <mox/undo/CmoxUndoInfo.h>

#include <algorithm>

struct CmoxUndoList::Index : mox::detail::PointerMap<std::size_t> {};

CmoxUndoList::CmoxUndoList(const char* description)
    : m_description(description != nullptr ? description : ""), m_entries(TakeSpareStorage()) {}

CmoxUndoList::~CmoxUndoList() {
    // A record may stand under several cells: it dies with its last entry, so exactly once.
    std::vector<Entry> entries;
    entries.swap(m_entries);
    m_index.reset();
    m_cellReferrers.clear();
    // Every hint goes before any record: a record may own a cell (an array element taken out)
    // that also has an entry here, and that cell must not find this list while it dies.
    for (const Entry& entry : entries)
        if (entry.cell != nullptr && entry.ownsHint) entry.cell->m_extras->undoList = nullptr;
    for (const Entry& entry : entries)
        if (entry.cell != nullptr && --entry.record->m_filings == 0) delete entry.record;
    KeepSpareStorage(entries);
}

// ---- entry storage kept for the next list ---------------------------------------------------
//
// An editing session records many transactions of similar size, and the context drops an old
// list for every new one once its stack is full. Each list growing its entries afresh copied
// them at every doubling and, for large transactions, had the heap map and fault in new pages
// every time. So the storage of the latest list a thread dropped waits for the next list the
// thread opens (one array per thread, the larger when two compete).

namespace {
// Set when the thread's spare is gone: a list dropped later (a static context at exit) keeps
// nothing. Trivially destructible, so it outlives the spare.
thread_local bool t_spareClosed = false;
} // namespace

std::vector<CmoxUndoList::Entry>* CmoxUndoList::SpareStorage() {
    struct Spare {
        std::vector<Entry> entries;
        ~Spare() { t_spareClosed = true; }
    };
    if (t_spareClosed) return nullptr;
    thread_local Spare spare;
    return &spare.entries;
}

std::vector<CmoxUndoList::Entry> CmoxUndoList::TakeSpareStorage() {
    std::vector<Entry> entries;
    if (std::vector<Entry>* spare = SpareStorage()) entries.swap(*spare);
    return entries;
}

void CmoxUndoList::KeepSpareStorage(std::vector<Entry>& entries) {
    std::vector<Entry>* spare = SpareStorage();
    if (spare == nullptr || entries.capacity() <= spare->capacity()) return;
    entries.clear();
    spare->swap(entries);
}

// ---- finding a cell's entry -------------------------------------------------------------------
//
// Each cell keeps a hint: the list and position of its latest filing. Every live entry either
// owns its cell's hint or is counted in m_detached (the cell was filed in another list since,
// or died without telling this list). So when the hint names another list and nothing is
// detached, the cell has no entry here, and recording a transaction or replaying it needs no
// table at all.

inline std::ptrdiff_t CmoxUndoList::Locate(const CmoxCell* cell) const {
    if (cell == nullptr) return -1;
    if (cell->m_extras && cell->m_extras->undoList == this)
        return static_cast<std::ptrdiff_t>(cell->m_extras->undoSlot);
    return m_detached == 0 ? -1 : LocateDetached(cell);
}

[[gnu::noinline]] std::ptrdiff_t CmoxUndoList::LocateDetached(const CmoxCell* cell) const {
    if (!m_index) {
        m_index = std::make_unique<Index>();
        m_index->reserve(m_live);
        for (std::size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].cell != nullptr) m_index->insert_or_assign(m_entries[i].cell, i);
    }
    const std::size_t* at = m_index->find(cell);
    return at != nullptr ? static_cast<std::ptrdiff_t>(*at) : -1;
}

bool CmoxUndoList::AddUndoInfo(CmoxCell* cell, CmoxUndoInfo* record) {
    const std::ptrdiff_t found = Locate(cell);
    if (found >= 0) {
        CmoxUndoInfo* existing = m_entries[static_cast<std::size_t>(found)].record;
        if (existing != record) {
            existing->Merge(record);
            delete record;
        }
        return false;
    }
    const std::size_t at = m_entries.size();
    m_entries.push_back(Entry{cell, record, true});
    ++m_live;
    if (m_index) m_index->insert_or_assign(cell, at);
    // Take over the cell's hint; the list that had it keeps its entry, now detached.
    mox::detail::CellExtras& hint = cell->Extras();
    if (CmoxUndoList* previous = hint.undoList) {
        previous->m_entries[hint.undoSlot].ownsHint = false;
        ++previous->m_detached;
    }
    hint.undoList = this;
    hint.undoSlot = static_cast<std::uint32_t>(at);
    ++record->m_filings;
    if (record->ReferencesCells() &&
        std::find(m_cellReferrers.begin(), m_cellReferrers.end(), record) == m_cellReferrers.end())
        m_cellReferrers.push_back(record);
    // The whole list is checked where it changes in bulk; a filing checks its own entry.
    MOX_INVARIANT("CmoxUndoList", m_entries[at].ownsHint && Locate(cell) == std::ptrdiff_t(at));
    return true;
}

CmoxUndoInfo* CmoxUndoList::GetUndoInfo(const CmoxCell* cell) const {
    const std::ptrdiff_t at = Locate(cell);
    return at >= 0 ? m_entries[static_cast<std::size_t>(at)].record : nullptr;
}

void CmoxUndoList::Erase(std::size_t at) {
    Entry& entry = m_entries[at];
    --entry.record->m_filings;
    if (m_index) m_index->erase(entry.cell);
    if (entry.ownsHint)
        entry.cell->m_extras->undoList = nullptr;
    else
        --m_detached;
    entry.cell = nullptr;
    --m_live;
    ++m_holes;
}

void CmoxUndoList::DetachCell(CmoxCell* cell) {
    // The cell dies without this list being told (its context is not registered with the
    // engine): the entry stays, as it always did, but the list must never touch the cell again.
    m_entries[cell->m_extras->undoSlot].ownsHint = false;
    ++m_detached;
    cell->m_extras->undoList = nullptr;
}

void CmoxUndoList::Compact() {
    // Positions must stay put while a replay walks them.
    if (m_replaying != 0 || m_holes * 2 < m_entries.size() + 16) return;
    std::size_t out = 0;
    for (const Entry& entry : m_entries) {
        if (entry.cell == nullptr) continue;
        if (entry.ownsHint) entry.cell->m_extras->undoSlot = static_cast<std::uint32_t>(out);
        m_entries[out++] = entry;
    }
    m_entries.resize(out);
    m_holes = 0;
    m_index.reset(); // positions moved; rebuilt by the next lookup that needs it
#if MOX_CHECK_INVARIANTS
    CheckInvariants();
#endif
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
    const std::ptrdiff_t found = Locate(cell);
    if (found >= 0) {
        CmoxUndoInfo* record = m_entries[static_cast<std::size_t>(found)].record;
        Erase(static_cast<std::size_t>(found));
        // Only a record filed under other cells too needs the walk for its other entries.
        if (record->m_filings > 0 || record->ReferencesCells())
            RemoveUndoInfo(record);
        else
            Compact();
        delete record;
    }
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
    // The cells are replayed, then given PostUndo, in filing order. The cells still to be given
    // PostUndo are the live entries from the cursor on: a cell destroyed meanwhile leaves its
    // entry (RemoveCell), so it is skipped without a list of its own to keep up to date.
    ++m_replaying;
    struct EndReplay {
        CmoxUndoList* list;
        ~EndReplay() {
            --list->m_replaying;
            list->Compact();
        }
    } endReplay{this};
    const std::size_t count = m_entries.size();
    // One record per cell: a collection that starts empty cannot already hold a cell of this
    // list, so it needs no membership test (which would index a long collection).
    const bool fresh = collected.IsEmpty();
    for (std::size_t i = 0; i < count; ++i) {
        const Entry entry = m_entries[i]; // a copy: Undo may remove entries
        if (entry.cell == nullptr) continue;
        if (undo)
            entry.cell->Undo(entry.record);
        else
            entry.cell->Redo(entry.record);
        if (fresh || !collected.Contains(entry.cell)) collected.AddTail(entry.cell);
    }
    mox::detail::ScopedTransaction transaction(Cmox::Current());
    for (std::size_t i = 0; i < count; ++i) {
        const Entry entry = m_entries[i];
        if (entry.cell != nullptr) entry.cell->PostUndo(entry.record);
    }
#if MOX_CHECK_INVARIANTS
    CheckInvariants();
#endif
}

void CmoxUndoList::CheckInvariants() const {
#if MOX_CHECK_INVARIANTS
    constexpr const char* kList = "CmoxUndoList";
    // One entry per cell, the counters matching the entries, every hint naming its entry, and
    // each record's filing count matching the entries that hold it.
    mox::detail::PointerMap<std::size_t> seen;
    mox::detail::PointerMap<unsigned> filings;
    std::size_t live = 0, detached = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& entry = m_entries[i];
        if (entry.cell == nullptr) continue;
        ++live;
        MOX_INVARIANT(kList, seen.find(entry.cell) == nullptr);
        seen.insert_or_assign(entry.cell, i);
        const unsigned* count = filings.find(entry.record);
        filings.insert_or_assign(entry.record, count != nullptr ? *count + 1 : 1);
        if (!entry.ownsHint) {
            ++detached;
            continue;
        }
        const mox::detail::CellExtras* hint = entry.cell->m_extras.get();
        MOX_INVARIANT(kList, hint != nullptr && hint->undoList == this && hint->undoSlot == i);
    }
    MOX_INVARIANT(kList, live == m_live && m_entries.size() - live == m_holes);
    MOX_INVARIANT(kList, detached == m_detached);
    for (const Entry& entry : m_entries)
        if (entry.cell != nullptr)
            MOX_INVARIANT(kList, *filings.find(entry.record) == entry.record->m_filings);
#endif
}
