#include <mox/propagation/CmoxNotifyList.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/internal/Compiler.h>
#include <mox/core/internal/Invariants.h>
#include <mox/core/internal/PointerMap.h>
#include <mox/propagation/Cmox.h>
#include <mox/propagation/internal/QueueOrder.h>

#include <algorithm>
#include <iterator>
#include <new>

IMPLEMENT_DYNAMIC(CmoxNotifyList, CObject)

struct CmoxNotifyList::Index : mox::detail::PointerMap<NotifyInfo*> {};

// The queueing and delivery loops run once per dependent of every change: MOX_FLATTEN inlines
// the bookkeeping steps they call (placing, unlinking, the entry pool).

namespace {
// Process-wide: a cell of one thread can be queued in another thread's list (a worker queueing
// a main-thread dependent), and a change of its priority must reach that list too.
std::atomic<unsigned int> g_queueOrderEpoch{0};
constexpr int kMinSpareEntries = 64;

constexpr std::uint64_t PriorityBit(unsigned slot) {
    return std::uint64_t{1} << (slot & 63);
}
} // namespace

namespace mox::detail {
void NoteQueuedPriorityChange() {
    g_queueOrderEpoch.fetch_add(1, std::memory_order_relaxed);
}
unsigned int QueueOrderEpoch() {
    return g_queueOrderEpoch.load(std::memory_order_relaxed);
}
} // namespace mox::detail

NotifyInfoList::const_iterator& NotifyInfoList::const_iterator::operator++() {
    m_at = m_at->m_next;
    return *this;
}

CmoxNotifyList::CmoxNotifyList(MoxNotifyPolicy policy, unsigned char cutoff)
    : m_cutoff(cutoff), m_policy(policy), m_orderEpoch(mox::detail::QueueOrderEpoch()) {}

CmoxNotifyList::~CmoxNotifyList() {
    RemoveAll();
    for (NotifyInfo* spare : m_spares)
        delete spare;
    delete m_index;
}

void CmoxNotifyList::Track(std::uint32_t engine) {
    // Only an empty list can start keeping counters: entries made before would be uncounted.
    if (m_list.IsEmpty() && !HasFanOut()) {
        m_tracked = true;
        m_engine = engine;
        m_walkMode = false;
        m_orderEpoch = mox::detail::QueueOrderEpoch();
    }
}

// A tracked list keeps the bookkeeping only of the cells of its own engine: that of another
// engine's cells belongs to that engine's thread.
inline bool CmoxNotifyList::Counts(CmoxCell* cell) const {
    return m_tracked && cell->m_bookkeeping.CountedBy(m_engine);
}

// ---- placing and unlinking ---------------------------------------------------------------------

void CmoxNotifyList::CheckOrder() {
    if (m_walkMode) return;
    const unsigned int epoch = mox::detail::QueueOrderEpoch();
    if (epoch == m_orderEpoch) return;
    m_orderEpoch = epoch;
    if (m_list.IsEmpty()) return;
    // Some queued cell changed its priority: the per-priority tails no longer describe what a
    // walk from the head would find, so walk until the queue drains.
    m_walkMode = true;
    if (m_indexed) m_index->clear();
    m_indexed = false;
    std::fill(std::begin(m_lastOfPriority), std::end(m_lastOfPriority), nullptr);
    std::fill(std::begin(m_priorities), std::end(m_priorities), 0);
}

NotifyInfo* CmoxNotifyList::LastAtOrAbove(unsigned char priority) const {
    for (unsigned word = priority >> 6; word < 4; ++word) {
        std::uint64_t bits = m_priorities[word];
        if (word == (priority >> 6u)) bits &= ~std::uint64_t{0} << (priority & 63);
        if (bits != 0)
            return m_lastOfPriority[word * 64 + static_cast<unsigned>(__builtin_ctzll(bits))];
    }
    return nullptr;
}

// The entry of `dependent` while the list places by its tails, or null.
NotifyInfo* CmoxNotifyList::Lookup(CmoxCell* dependent, bool counted) {
    // A cell whose counters this engine keeps and that none of its lists names has no entry:
    // the usual case, which needs no index.
    if (m_list.IsEmpty() || (counted && dependent->m_bookkeeping.queuedEntries == 0))
        return nullptr;
    if (!m_indexed) {
        if (m_index == nullptr) m_index = new Index;
        m_index->reserve(static_cast<std::size_t>(m_list.m_count) + 1);
        for (NotifyInfo* at = m_list.m_head; at != nullptr; at = at->m_next)
            m_index->insert_or_assign(at->m_dependent, at);
        m_indexed = true;
    }
    NotifyInfo* const* found = m_index->find(dependent);
    return found != nullptr ? *found : nullptr;
}

// The dependent's entry, or a new one placed where a walk from the head puts it: behind every
// entry of equal or higher priority, before the first lower one.
inline NotifyInfo* CmoxNotifyList::EntryFor(CmoxCell* dependent) {
    CheckOrder();
    const bool counted = Counts(dependent);
    NotifyInfo* before = nullptr;
    if (m_walkMode) {
        // The walk finds the entry and the place together, reading the priorities as they are.
        const unsigned char priority = dependent->Priority();
        for (before = m_list.m_head; before != nullptr; before = before->m_next) {
            if (before->m_dependent == dependent) return before;
            if (priority > before->m_dependent->Priority()) break;
        }
    } else if (NotifyInfo* found = Lookup(dependent, counted)) {
        return found;
    } else if (m_list.m_tail != nullptr && m_list.m_tail->m_slot < dependent->m_priority) {
        // Not the tail, the usual place (most dependents share one priority): behind the last
        // entry of the lowest priority at or above the dependent's.
        NotifyInfo* after = LastAtOrAbove(dependent->m_priority);
        before = after != nullptr ? after->m_next : m_list.m_head;
    }
    return Insert(dependent, dependent->m_priority, before, counted);
}

inline NotifyInfo* CmoxNotifyList::NewEntry() {
    const std::size_t spares = m_spares.size();
    if (spares == 0) return new NotifyInfo;
    NotifyInfo* entry = m_spares[spares - 1];
    m_spares.pop_back();
    // Fetch an entry a few takes ahead, so that a long fan-out, which does not fit the cache,
    // does not wait for each entry in turn.
    if (spares > 8) __builtin_prefetch(m_spares[spares - 9], 1);
    return entry;
}

// The one place where an entry joins the queue: linked before `before` (null: at the tail),
// counted, and recorded as the last entry of its priority `slot`.
inline NotifyInfo* CmoxNotifyList::Insert(CmoxCell* dependent, unsigned char slot,
                                          NotifyInfo* before, bool counted) {
    NotifyInfo* entry = NewEntry();
    NotifyInfo* after = before != nullptr ? before->m_prev : m_list.m_tail;
    entry->m_dependent = dependent;
    entry->m_slot = slot;
    entry->m_prev = after;
    entry->m_next = before;
    (after != nullptr ? after->m_next : m_list.m_head) = entry;
    (before != nullptr ? before->m_prev : m_list.m_tail) = entry;
    if (++m_list.m_count > m_peakCount) m_peakCount = m_list.m_count;
    m_waiting.store(true, std::memory_order_relaxed);
    entry->m_changes.m_tracked = m_tracked;
    entry->m_changes.m_engine = m_engine;
    if (!m_walkMode) {
        m_lastOfPriority[slot] = entry;
        m_priorities[slot >> 6] |= PriorityBit(slot);
        if (m_indexed) m_index->insert_or_assign(dependent, entry);
    }
    if (counted) ++dependent->m_bookkeeping.queuedEntries;
    return entry;
}

// The one place where an entry leaves the queue. The cells' counters are settled here, while
// the cells are certainly alive, and the entry's changed list forgets them.
inline void CmoxNotifyList::Unlink(NotifyInfo* entry) {
    NotifyInfo* const prev = entry->m_prev;
    NotifyInfo* const next = entry->m_next;
    if (!m_walkMode) {
        const unsigned char slot = entry->m_slot;
        if (m_lastOfPriority[slot] == entry) {
            if (prev != nullptr && prev->m_slot == slot) {
                m_lastOfPriority[slot] = prev;
            } else {
                m_lastOfPriority[slot] = nullptr;
                m_priorities[slot >> 6] &= ~PriorityBit(slot);
            }
        }
        if (m_indexed) m_index->erase(entry->m_dependent);
    }
    (prev != nullptr ? prev->m_next : m_list.m_head) = next;
    (next != nullptr ? next->m_prev : m_list.m_tail) = prev;
    entry->m_prev = entry->m_next = nullptr;
    --m_list.m_count;
    if (m_tracked) {
        if (Counts(entry->m_dependent)) --entry->m_dependent->m_bookkeeping.queuedEntries;
        for (const ChangeInfo& change : entry->m_changes.m_entries)
            if (Counts(change.m_cell)) --change.m_cell->m_bookkeeping.changeEntries;
        entry->m_changes.m_tracked = false;
    }
    if (m_list.m_count == 0) Drained();
}

// Nothing here touches a cell: the changes' cells may have died during their delivery. A short
// changed list without an index is simply cleared, which is all that RemoveAll would do.
void CmoxNotifyList::Empty(CmoxChangedList& changes) {
    if (changes.m_index)
        changes.RemoveAll();
    else
        changes.m_entries.clear();
}

void CmoxNotifyList::Release(NotifyInfo* entry) {
    Empty(entry->m_changes);
    entry->m_dependent = nullptr;
    if (m_spares.size() < static_cast<std::size_t>(m_spareLimit)) {
        if (entry->m_changes.m_entries.capacity() > 64) entry->m_changes.m_entries.shrink_to_fit();
        try {
            m_spares.push_back(entry);
        } catch (const std::bad_alloc&) {
            delete entry; // the pool is only a cache: out of memory, free the entry instead
        }
    } else {
        delete entry;
    }
}

void CmoxNotifyList::Drained() {
    // An empty queue is trivially in order again, and its index (emptied entry by entry) is
    // built anew when next needed.
    if (m_tracked) {
        m_walkMode = false;
        m_orderEpoch = mox::detail::QueueOrderEpoch();
    }
    m_indexed = false;
    // Keep as many spare entries as the busiest stretch since the last drain needed, but let an
    // allowance that is no longer used decay, so one burst does not pin its memory for good.
    m_spareLimit = std::max(std::max(kMinSpareEntries, m_peakCount), m_spareLimit / 2);
    m_peakCount = 0;
    NoteWaiting();
    while (m_spares.size() > static_cast<std::size_t>(m_spareLimit)) {
        delete m_spares.back();
        m_spares.pop_back();
    }
}

// ---- queueing ----------------------------------------------------------------------------------

inline void CmoxNotifyList::Queue(CmoxCell* dependent, CmoxCell* changed, bool changedCounted,
                                  unsigned long userData, MoxChangeReason reason) {
    CmoxChangedList& changes = EntryFor(dependent)->m_changes;
    if (!changes.m_entries.empty()) {
        changes.Add(changed, userData, reason);
        return;
    }
    // The first change of an entry, the usual case: nothing to merge with.
    changes.m_entries.emplace_back(changed, userData, reason);
    if (changedCounted) ++changed->m_bookkeeping.changeEntries;
}

void CmoxNotifyList::Add(CmoxCell* dependent, CmoxCell* changed, unsigned long userData,
                         MoxChangeReason reason) {
    SpillFanOut();
    Queue(dependent, changed, Counts(changed), userData, reason);
}

void CmoxNotifyList::Add(CmoxCell* changed, unsigned long userData, MoxChangeReason reason) {
    if (!StartFanOut(changed, userData, reason)) QueueEach(changed, userData, reason);
}

MOX_FLATTEN void CmoxNotifyList::QueueEach(CmoxCell* changed, unsigned long userData,
                                           MoxChangeReason reason) {
    SpillFanOut();
    const CmoxCellList& dependents = changed->GetDependents();
    const CmoxCellList::const_iterator end = dependents.end();
    const bool changedCounted = Counts(changed);
    for (auto at = dependents.begin(); at != end; ++at) {
        // Fetch a dependent a few places ahead, so that a long fan-out does not wait for each
        // cell in turn.
        if (CmoxCell* ahead = at.Ahead(4)) __builtin_prefetch(ahead);
        CmoxCell* dependent = *at;
        if (!dependent->IsUndoInProgress())
            Queue(dependent, changed, changedCounted, userData, reason);
    }
}

void CmoxNotifyList::AddDeferred(CmoxCell* changed, unsigned long userData,
                                 MoxChangeReason reason) {
    for (CmoxCell* dependent : changed->GetDependents())
        if (dependent->Priority() <= MOX_CUTOFF_PRIORITY) Add(dependent, changed, userData, reason);
}

void CmoxNotifyList::AddUndoNotification(CmoxCell* changed, unsigned long userData,
                                         MoxChangeReason reason) {
    for (CmoxCell* dependent : changed->GetDependents()) {
        if (dependent->IsUndoInProgress()) continue;
        if (dependent->Priority() > MOX_CUTOFF_PRIORITY && dependent->UndoNotify() == 0) continue;
        Add(dependent, changed, userData, reason);
    }
}

void CmoxNotifyList::Merge(const CmoxNotifyList& other) {
    SpillFanOut();
    // Spilling changes the form of the other queue, not what it holds.
    const_cast<CmoxNotifyList&>(other).SpillFanOut();
    for (const NotifyInfo* source = other.m_list.m_head; source != nullptr;
         source = source->m_next) {
        NotifyInfo* target = EntryFor(source->m_dependent);
        // Index-based: merging a list into itself appends nothing, but must not iterate a
        // vector that could grow.
        const auto& changes = source->m_changes.m_entries;
        for (std::size_t i = 0; i < changes.size(); ++i)
            target->m_changes.Add(changes[i].m_cell, changes[i].m_userData, changes[i].m_reason);
    }
}

// ---- fan-out in compact form -------------------------------------------------------------------

const NotifyInfoList& CmoxNotifyList::GetList() const {
    // Spilling changes the form of the queue, not what it holds.
    const_cast<CmoxNotifyList*>(this)->SpillFanOut();
    return m_list;
}

// Queues the change into an empty engine list: as a fan-out in compact form when the dependents
// share one priority, else one by one. False leaves it to QueueEach.
bool CmoxNotifyList::StartFanOut(CmoxCell* changed, unsigned long userData,
                                 MoxChangeReason reason) {
    if (!m_tracked || !m_list.IsEmpty() || HasFanOut()) return false;
    const CmoxCellList& dependents = changed->GetDependents();
    const CmoxCellList::const_iterator end = dependents.end();
    if (dependents.begin() == end) return false;
    // The copy becomes a fan-out only at the end: on any other way out, a throw included, it is
    // emptied again.
    struct ClearUnlessKept {
        std::vector<CmoxCell*>& cells;
        bool keep = false;
        ~ClearUnlessKept() {
            if (!keep) cells.clear();
        }
    } copy{m_fanOut.cells};
    m_fanOut.cells.reserve(static_cast<std::size_t>(dependents.GetCount()));
    const unsigned char slot = (*dependents.begin())->m_priority;
    bool oneSlot = true;
    for (auto at = dependents.begin(); at != end; ++at) {
        if (CmoxCell* ahead = at.Ahead(4)) __builtin_prefetch(ahead);
        CmoxCell* dependent = *at;
        oneSlot = oneSlot && dependent->m_priority == slot;
        if (!dependent->IsUndoInProgress()) m_fanOut.cells.push_back(dependent);
    }
    if (!oneSlot) {
        // Mixed priorities: queued one by one after all, without asking anybody twice.
        const bool changedCounted = Counts(changed);
        for (CmoxCell* dependent : m_fanOut.cells)
            Queue(dependent, changed, changedCounted, userData, reason);
        return true;
    }
    if (m_fanOut.cells.empty()) return true; // every dependent is being undone: nothing to queue
    CheckOrder(); // the queue takes the order epoch now, as placing the first entry would
    m_fanOut.change = ChangeInfo(changed, userData, reason);
    m_fanOut.slot = slot;
    m_waiting.store(true, std::memory_order_relaxed);
    copy.keep = true;
    return true;
}

// Turns the rest of the fan-out into entries. The queue is empty while a fan-out is held, so
// they join at the tail in order, with the priority they were queued with, as Add would have
// placed them.
void CmoxNotifyList::SpillFanOut() {
    if (!HasFanOut()) return;
    const bool changedCounted = Counts(m_fanOut.change.m_cell);
    // One at a time, so that a failed allocation leaves the rest still waiting, in order.
    for (; m_fanOut.next < m_fanOut.cells.size(); ++m_fanOut.next) {
        CmoxCell* dependent = m_fanOut.cells[m_fanOut.next];
        // A priority changed meanwhile is what moving the epoch tells a queue.
        if (dependent->m_priority != m_fanOut.slot) mox::detail::NoteQueuedPriorityChange();
        NotifyInfo* entry = Insert(dependent, m_fanOut.slot, nullptr, Counts(dependent));
        entry->m_changes.m_entries.push_back(m_fanOut.change);
        if (changedCounted) ++m_fanOut.change.m_cell->m_bookkeeping.changeEntries;
    }
    EndFanOut();
}

// Delivers the fan-out while nothing else is queued; false when the cutoff stops it. Each
// dependent leaves the fan-out before its Update, as an entry leaves the queue. The engine's
// lists never run two deliveries at once, so one changed list serves every dependent in turn.
bool CmoxNotifyList::DeliverFanOut(bool immediateOnly) {
    while (HasFanOut() && m_list.IsEmpty()) {
        CmoxCell* dependent = m_fanOut.cells[m_fanOut.next];
        if (immediateOnly && dependent->Priority() < m_cutoff) return false;
        Empty(m_fanOut.changes);
        m_fanOut.changes.m_entries.push_back(m_fanOut.change);
        if (++m_fanOut.next < m_fanOut.cells.size()) {
            __builtin_prefetch(
                m_fanOut.cells[std::min(m_fanOut.next + 3, m_fanOut.cells.size() - 1)]);
        } else {
            EndFanOut();
        }
        dependent->Update(m_fanOut.changes);
    }
    return true;
}

// ---- removal -----------------------------------------------------------------------------------

void CmoxNotifyList::Remove(CmoxCell* cell) {
    if (cell == nullptr) return;
    SpillFanOut();
    const bool counted = Counts(cell);
    if (!counted || cell->m_bookkeeping.queuedEntries > 0) {
        if (!m_walkMode) {
            if (NotifyInfo* entry = Lookup(cell, counted)) {
                Unlink(entry);
                Release(entry);
            }
        } else {
            // A dying cell must leave no entry behind, even the second one that a walk can make
            // after a queued priority changed.
            for (NotifyInfo* at = m_list.m_head; at != nullptr;) {
                NotifyInfo* next = at->m_next;
                if (at->m_dependent == cell) {
                    Unlink(at);
                    Release(at);
                    if (!m_tracked) break; // untracked lists keep the plain first-match rule
                }
                at = next;
            }
        }
    }
    if (!counted || cell->m_bookkeeping.changeEntries > 0) {
        for (NotifyInfo* at = m_list.m_head; at != nullptr; at = at->m_next)
            at->m_changes.Remove(cell);
    }
}

void CmoxNotifyList::RemoveAll() {
    EndFanOut(); // a fan-out counted nothing on its cells: dropped without touching them
    while (NotifyInfo* head = m_list.m_head) {
        Unlink(head);
        Release(head);
    }
}

// ---- delivery ----------------------------------------------------------------------------------

namespace {

// Clears the in-delivery flag on every exit. A throwing Update ends the run, but the list stays
// usable: later Notify calls deliver what is still queued.
struct DeliveryFlag {
    explicit DeliveryFlag(int& flag) : m_flag(flag) { m_flag = 1; }
    ~DeliveryFlag() { m_flag = 0; }
    int& m_flag;
};

} // namespace

MOX_FLATTEN void CmoxNotifyList::Deliver(bool immediateOnly) {
    Cmox::Current(); // throws before anything is delivered when there is no engine
    for (;;) {
        NotifyInfo* head = m_list.m_head;
        if (head == nullptr) {
            if (!HasFanOut() || !DeliverFanOut(immediateOnly)) break;
            continue;
        }
        NotifyInfo* next = head->m_next;
        // A long queue does not fit the cache: fetch what the next rounds need while this one
        // runs (the entry after next, the next entry's dependent and the rest of the entry,
        // where its first change lives).
        if (next != nullptr) {
            __builtin_prefetch(next->m_next);
            __builtin_prefetch(next->m_dependent);
            __builtin_prefetch(reinterpret_cast<const char*>(next) + sizeof(NotifyInfo) - 1);
        }
        CmoxCell* dependent = head->m_dependent;
        if (immediateOnly && dependent->Priority() < m_cutoff) break;
        Unlink(head);
        // The entry is destroyed after Update, also when Update throws.
        struct ReleaseOnExit {
            CmoxNotifyList* list;
            NotifyInfo* entry;
            ~ReleaseOnExit() { list->Release(entry); }
        } release{this, head};
        dependent->Update(head->m_changes);
    }
#if MOX_CHECK_INVARIANTS
    CheckInvariants();
#endif
}

void CmoxNotifyList::NotifyImmediate() {
    Deliver(true);
}
void CmoxNotifyList::NotifyDeferred() {
    Deliver(false);
}

void CmoxNotifyList::Notify() {
    // Nothing queued, nothing to deliver: the usual case after a change of a cell without
    // dependents.
    if (m_inDelivery || (m_list.IsEmpty() && !HasFanOut())) return;
    DeliveryFlag flag(m_inDelivery);
    switch (m_policy) {
    case MOX_NOTIFY_IMMEDIATE:
        NotifyImmediate();
        break;
    case MOX_NOTIFY_ALL:
        NotifyImmediate();
        NotifyDeferred();
        break;
    default:
        break;
    }
}

void CmoxNotifyList::NotifyImmediateCells() {
    if (m_inDelivery) return;
    DeliveryFlag flag(m_inDelivery);
    NotifyImmediate();
}

void CmoxNotifyList::NotifyDeferredCells() {
    if (m_inDelivery) return;
    DeliveryFlag flag(m_inDelivery);
    NotifyDeferred();
}

// ---- self-check --------------------------------------------------------------------------------

void CmoxNotifyList::CheckInvariants() const {
#if MOX_CHECK_INVARIANTS
    constexpr const char* kList = "CmoxNotifyList";
    int count = 0;
    const NotifyInfo* prev = nullptr;
    for (const NotifyInfo* at = m_list.m_head; at != nullptr; prev = at, at = at->m_next) {
        MOX_INVARIANT(kList, ++count <= m_list.m_count); // also stops a cycle
        MOX_INVARIANT(kList, at->m_prev == prev && at->m_dependent != nullptr);
        if (m_walkMode) continue;
        // Highest priority first, the last entry of each priority on record, every entry
        // reachable through the index or, uncounted nowhere, through its dependent's counter.
        MOX_INVARIANT(kList, prev == nullptr || prev->m_slot >= at->m_slot);
        const bool lastOfItsPriority = at->m_next == nullptr || at->m_next->m_slot != at->m_slot;
        MOX_INVARIANT(kList, (m_lastOfPriority[at->m_slot] == at) == lastOfItsPriority);
        if (m_indexed) {
            NotifyInfo* const* found = m_index->find(at->m_dependent);
            MOX_INVARIANT(kList, found != nullptr && *found == at);
        }
        const mox::detail::CellBookkeeping& marks = at->m_dependent->m_bookkeeping;
        if (m_tracked && marks.queueOwner.load(std::memory_order_relaxed) == m_engine)
            MOX_INVARIANT(kList, marks.queuedEntries > 0);
    }
    MOX_INVARIANT(kList, prev == m_list.m_tail && count == m_list.m_count);
    MOX_INVARIANT(kList, !m_indexed || m_index->size() == static_cast<std::size_t>(count));
    if (!m_walkMode)
        for (unsigned slot = 0; slot < 256; ++slot)
            MOX_INVARIANT(kList, (m_lastOfPriority[slot] != nullptr) ==
                                     ((m_priorities[slot >> 6] & PriorityBit(slot & 63)) != 0));
    MOX_INVARIANT(kList, m_spares.size() <= static_cast<std::size_t>(m_spareLimit));
    MOX_INVARIANT(kList, !HasFanOut() || m_tracked);
    MOX_INVARIANT(kList, HasWaiting() == (count != 0 || HasFanOut()));
#endif
}
