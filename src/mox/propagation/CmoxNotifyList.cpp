#include <mox/propagation/CmoxNotifyList.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/internal/PointerMap.h>
#include <mox/propagation/Cmox.h>
#include <mox/propagation/internal/QueueOrder.h>

#include <algorithm>
#include <atomic>
#include <new>

IMPLEMENT_DYNAMIC(CmoxNotifyList, CObject)

struct CmoxNotifyList::SecondaryIndex : mox::detail::PointerMap<NotifyInfo*> {};

// The queueing and delivery loops run once per dependent of every change. Flattening inlines
// the small bookkeeping steps they call (linking, counters, the entry pool), which the compiler
// otherwise keeps as separate calls because they are shared with the rarer paths.
#if defined(__GNUC__)
#define MOX_FLATTEN __attribute__((flatten))
#else
#define MOX_FLATTEN
#endif

namespace {
std::atomic<unsigned int> g_queueOrderEpoch{0};
constexpr int kMinSpareEntries = 64;
// How many queueings ahead the spare entries are fetched.
constexpr int kSpareAhead = 8;
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
    while (m_spareCount > 0)
        delete TakeSpare();
    delete m_secondary;
}

void CmoxNotifyList::Track(const void* engine) {
    // Only an empty list can start keeping counters: entries made before would be uncounted.
    if (m_list.IsEmpty()) {
        m_tracked = true;
        m_engine = engine;
        m_walkMode = false;
        m_orderEpoch = mox::detail::QueueOrderEpoch();
    }
}

// A tracked list keeps the queue fields only of the cells of its own engine: those of another
// engine's cells belong to that engine's thread.
inline bool CmoxNotifyList::Counts(CmoxCell* cell) const {
    return m_tracked && cell->QueueCountedBy(m_engine);
}

// ---- the linked queue --------------------------------------------------------------------------

NotifyInfo* CmoxNotifyList::TakeSpare() {
    const std::size_t mask = m_spare.size() - 1;
    NotifyInfo* entry = m_spare[m_spareHead];
    m_spareHead = (m_spareHead + 1) & mask;
    --m_spareCount;
    // Fetch what the next queueings will write: a long fan-out does not fit the cache. An
    // entry, its first change included, spans two cache lines.
    if (m_spareCount > kSpareAhead) {
        const char* ahead =
            reinterpret_cast<const char*>(m_spare[(m_spareHead + kSpareAhead) & mask]);
        __builtin_prefetch(ahead, 1);
        __builtin_prefetch(ahead + sizeof(NotifyInfo) - 1, 1);
    }
    return entry;
}

void CmoxNotifyList::KeepSpare(NotifyInfo* entry) {
    if (static_cast<std::size_t>(m_spareCount) == m_spare.size()) {
        // Full: unroll the ring into a larger one, oldest first. Releasing must not throw (it
        // runs while an Update's exception unwinds), so without memory the entry just goes.
        std::vector<NotifyInfo*> larger;
        try {
            larger.resize(std::max<std::size_t>(64, m_spare.size() * 2));
        } catch (const std::bad_alloc&) {
            delete entry;
            return;
        }
        for (int i = 0; i < m_spareCount; ++i)
            larger[static_cast<std::size_t>(i)] =
                m_spare[(m_spareHead + static_cast<std::size_t>(i)) & (m_spare.size() - 1)];
        m_spare.swap(larger);
        m_spareHead = 0;
    }
    m_spare[(m_spareHead + static_cast<std::size_t>(m_spareCount)) & (m_spare.size() - 1)] = entry;
    ++m_spareCount;
}

NotifyInfo* CmoxNotifyList::NewEntry(CmoxCell* dependent) {
    NotifyInfo* entry = m_spareCount > 0 ? TakeSpare() : new NotifyInfo;
    entry->m_dependent = dependent;
    entry->m_slot = dependent->Priority();
    entry->m_prev = entry->m_next = nullptr;
    entry->m_owner = this;
    entry->m_changes.m_tracked = m_tracked;
    entry->m_changes.m_engine = m_engine;
    if (Counts(dependent)) ++dependent->m_queuedEntries;
    return entry;
}

void CmoxNotifyList::Release(NotifyInfo* entry) {
    // Counters were settled when the entry left the queue (Unlink), so nothing here touches a
    // cell: the entry's cells may have died during its delivery. A short changed list without
    // an index is simply cleared here, which is all that its RemoveAll would do.
    if (entry->m_changes.m_index)
        entry->m_changes.RemoveAll();
    else
        entry->m_changes.m_entries.clear();
    entry->m_dependent = nullptr;
    entry->m_owner = nullptr;
    if (m_spareCount < m_spareLimit) {
        if (entry->m_changes.m_entries.capacity() > 64) entry->m_changes.m_entries.shrink_to_fit();
        KeepSpare(entry);
    } else {
        delete entry;
    }
}

void CmoxNotifyList::Drained() {
    // Keep as many spare entries as the busiest stretch since the last drain needed, but let an
    // allowance that is no longer used decay, so one burst does not pin its memory for good.
    m_spareLimit = std::max(std::max(kMinSpareEntries, m_peakCount), m_spareLimit / 2);
    m_peakCount = 0;
    while (m_spareCount > m_spareLimit) {
        // The newest go first; the oldest keep their turn at the head of the ring.
        --m_spareCount;
        delete m_spare[(m_spareHead + static_cast<std::size_t>(m_spareCount)) &
                       (m_spare.size() - 1)];
    }
}

void CmoxNotifyList::Register(NotifyInfo* entry) {
    if (m_list.m_count > m_peakCount) m_peakCount = m_list.m_count;
    CmoxCell* dependent = entry->m_dependent;
    if (Counts(dependent) && dependent->m_queueEntry == nullptr) {
        dependent->m_queueEntry = entry;
    } else if (!m_walkMode) {
        if (m_secondary == nullptr) m_secondary = new SecondaryIndex;
        m_secondary->insert_or_assign(dependent, entry);
    }
}

void CmoxNotifyList::LinkAtTail(NotifyInfo* entry) {
    // Fast placement only, and only when the tail is not below the entry: the entry becomes the
    // last of its priority.
    NotifyInfo* tail = m_list.m_tail;
    entry->m_prev = tail;
    entry->m_next = nullptr;
    if (tail != nullptr)
        tail->m_next = entry;
    else
        m_list.m_head = entry;
    m_list.m_tail = entry;
    ++m_list.m_count;
    Register(entry);
    const unsigned char slot = entry->m_slot;
    m_lastOfPriority[slot] = entry;
    if (tail == nullptr || tail->m_slot != slot)
        m_priorities[slot >> 6] |= std::uint64_t{1} << (slot & 63);
}

void CmoxNotifyList::Link(NotifyInfo* entry, NotifyInfo* before) {
    entry->m_next = before;
    entry->m_prev = before != nullptr ? before->m_prev : m_list.m_tail;
    if (entry->m_prev != nullptr)
        entry->m_prev->m_next = entry;
    else
        m_list.m_head = entry;
    if (before != nullptr)
        before->m_prev = entry;
    else
        m_list.m_tail = entry;
    ++m_list.m_count;
    Register(entry);
    if (!m_walkMode) {
        const unsigned char slot = entry->m_slot;
        if (m_lastOfPriority[slot] == nullptr || m_lastOfPriority[slot] == entry->m_prev)
            m_lastOfPriority[slot] = entry;
        m_priorities[slot >> 6] |= std::uint64_t{1} << (slot & 63);
    }
}

void CmoxNotifyList::Unlink(NotifyInfo* entry) {
    if (!m_walkMode) {
        const unsigned char slot = entry->m_slot;
        if (m_lastOfPriority[slot] == entry) {
            NotifyInfo* prev = entry->m_prev;
            if (prev != nullptr && prev->m_slot == slot) {
                m_lastOfPriority[slot] = prev;
            } else {
                m_lastOfPriority[slot] = nullptr;
                m_priorities[slot >> 6] &= ~(std::uint64_t{1} << (slot & 63));
            }
        }
        if (!Counts(entry->m_dependent) || entry->m_dependent->m_queueEntry != entry)
            m_secondary->erase(entry->m_dependent);
    }
    if (entry->m_prev != nullptr)
        entry->m_prev->m_next = entry->m_next;
    else
        m_list.m_head = entry->m_next;
    if (entry->m_next != nullptr)
        entry->m_next->m_prev = entry->m_prev;
    else
        m_list.m_tail = entry->m_prev;
    entry->m_prev = entry->m_next = nullptr;
    --m_list.m_count;

    // The entry no longer counts as queued: settle the cells' counters now, while they are
    // certainly alive, and let the changed list forget them.
    if (m_tracked) {
        CmoxCell* dependent = entry->m_dependent;
        if (Counts(dependent)) {
            --dependent->m_queuedEntries;
            if (dependent->m_queueEntry == entry) dependent->m_queueEntry = nullptr;
        }
        for (const ChangeInfo& change : entry->m_changes.m_entries)
            if (Counts(change.m_cell)) --change.m_cell->m_changeEntries;
        entry->m_changes.m_tracked = false;
    }
    if (m_list.m_count == 0) {
        if (m_tracked) {
            // An empty queue is trivially in order again.
            m_walkMode = false;
            m_orderEpoch = mox::detail::QueueOrderEpoch();
        }
        Drained();
    }
}

// ---- placement
// -----------------------------------------------------------------------------------

void CmoxNotifyList::CheckOrder() {
    if (m_walkMode) return;
    const unsigned int epoch = mox::detail::QueueOrderEpoch();
    if (epoch == m_orderEpoch) return;
    m_orderEpoch = epoch;
    if (m_list.IsEmpty()) return;
    // Some queued cell changed its priority: the placement index no longer describes what a
    // walk from the head would find, so walk until the queue drains.
    m_walkMode = true;
    if (m_secondary != nullptr) m_secondary->clear();
    for (NotifyInfo*& last : m_lastOfPriority)
        last = nullptr;
    for (std::uint64_t& bits : m_priorities)
        bits = 0;
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

NotifyInfo* CmoxNotifyList::Find(const CmoxCell* dependent) const {
    // Only for the fast placement mode, which only tracked lists use.
    if (Counts(const_cast<CmoxCell*>(dependent))) {
        if (dependent->m_queuedEntries == 0) return nullptr; // queued nowhere: no lookup
        NotifyInfo* own = dependent->m_queueEntry;
        if (own != nullptr && own->m_owner == this) return own;
    }
    if (m_secondary == nullptr || m_secondary->empty()) return nullptr;
    NotifyInfo* const* found = m_secondary->find(dependent);
    return found != nullptr ? *found : nullptr;
}

NotifyInfo* CmoxNotifyList::FindOrInsert(CmoxCell* dependent) {
    CheckOrder();
    if (m_walkMode) return FindOrInsertExact(dependent);
    if (NotifyInfo* found = Find(dependent)) return found;
    // Behind every entry of equal or higher priority, before the first lower one. The list is
    // sorted, so when the tail is not below the new entry that place is the tail (the usual
    // case: most dependents share one priority).
    NotifyInfo* entry = NewEntry(dependent);
    NotifyInfo* tail = m_list.m_tail;
    if (tail == nullptr || tail->m_slot >= entry->m_slot) {
        LinkAtTail(entry);
    } else {
        NotifyInfo* after = LastAtOrAbove(entry->m_slot);
        Link(entry, after != nullptr ? after->m_next : m_list.m_head);
    }
    return entry;
}

NotifyInfo* CmoxNotifyList::FindOrInsertExact(CmoxCell* dependent) {
    const unsigned char priority = dependent->Priority();
    NotifyInfo* at = m_list.m_head;
    for (; at != nullptr; at = at->m_next) {
        if (at->m_dependent == dependent) return at;
        if (priority > at->m_dependent->Priority()) break;
    }
    NotifyInfo* entry = NewEntry(dependent);
    Link(entry, at);
    return entry;
}

void CmoxNotifyList::Add(CmoxCell* dependent, CmoxCell* changed, unsigned long userData,
                         MoxChangeReason reason) {
    CheckOrder();
    // A dependent queued nowhere, the usual case, needs neither a lookup nor a merge: it gets a
    // new entry with this one change, at the tail when no entry there is below it.
    if (!m_walkMode && Counts(dependent) && dependent->m_queuedEntries == 0) {
        NotifyInfo* entry = NewEntry(dependent);
        NotifyInfo* tail = m_list.m_tail;
        if (tail == nullptr || tail->m_slot >= entry->m_slot) {
            LinkAtTail(entry);
        } else {
            NotifyInfo* after = LastAtOrAbove(entry->m_slot);
            Link(entry, after != nullptr ? after->m_next : m_list.m_head);
        }
        // The entry's first change: nothing to merge with (CmoxChangedList::Add, inlined here).
        entry->m_changes.m_entries.emplace_back(changed, userData, reason);
        if (Counts(changed)) ++changed->m_changeEntries;
        return;
    }
    FindOrInsert(dependent)->m_changes.Add(changed, userData, reason);
}

// The usual queueing step of a fan-out: a tracked list in placement order gets a change for a
// dependent queued nowhere, whose place is the tail. The entry is filled and linked in one go,
// without the lookups and cases of the general path (which does the same in several steps).
inline void CmoxNotifyList::AppendFresh(CmoxCell* dependent, NotifyInfo* tail, CmoxCell* changed,
                                        unsigned long userData, MoxChangeReason reason) {
    NotifyInfo* entry = m_spareCount > 0 ? TakeSpare() : new NotifyInfo;
    const unsigned char slot = dependent->m_priority;
    entry->m_dependent = dependent;
    entry->m_slot = slot;
    entry->m_prev = tail;
    entry->m_next = nullptr;
    entry->m_owner = this;
    entry->m_changes.m_tracked = true;
    entry->m_changes.m_engine = m_engine;
    ++dependent->m_queuedEntries;
    if (tail != nullptr)
        tail->m_next = entry;
    else
        m_list.m_head = entry;
    m_list.m_tail = entry;
    if (++m_list.m_count > m_peakCount) m_peakCount = m_list.m_count;
    // Queued nowhere before, so the cell names no entry yet and this one becomes its own.
    if (dependent->m_queueEntry == nullptr)
        dependent->m_queueEntry = entry;
    else
        Register(entry);
    m_lastOfPriority[slot] = entry;
    if (tail == nullptr || tail->m_slot != slot)
        m_priorities[slot >> 6] |= std::uint64_t{1} << (slot & 63);
    entry->m_changes.m_entries.emplace_back(changed, userData, reason);
    if (changed->QueueCountedBy(m_engine)) ++changed->m_changeEntries;
}

void CmoxNotifyList::Add(CmoxCell* changed, unsigned long userData, MoxChangeReason reason) {
    const CmoxCellList& dependents = changed->GetDependents();
    const CmoxCellList::const_iterator end = dependents.end();
    for (auto at = dependents.begin(); at != end; ++at) {
        // Fetch a dependent a few places ahead, so that a long fan-out does not wait for each
        // cell in turn.
        if (CmoxCell* ahead = at.Ahead(4)) __builtin_prefetch(ahead);
        CmoxCell* dependent = *at;
        if (dependent->IsUndoInProgress()) continue;
        // The order checks are those of CheckOrder: with an unchanged epoch it would do nothing.
        if (!m_walkMode && dependent->QueueCountedBy(m_engine) && dependent->m_queuedEntries == 0 &&
            m_orderEpoch == mox::detail::QueueOrderEpoch()) {
            NotifyInfo* tail = m_list.m_tail;
            if (tail == nullptr || tail->m_slot >= dependent->m_priority) {
                AppendFresh(dependent, tail, changed, userData, reason);
                continue;
            }
        }
        Add(dependent, changed, userData, reason);
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
    for (const NotifyInfo* source = other.m_list.m_head; source != nullptr;
         source = source->m_next) {
        NotifyInfo* target = FindOrInsert(source->m_dependent);
        // Index-based: merging a list into itself appends nothing, but must not iterate a
        // vector that could grow.
        const auto& changes = source->m_changes.m_entries;
        for (std::size_t i = 0; i < changes.size(); ++i)
            target->m_changes.Add(changes[i].m_cell, changes[i].m_userData, changes[i].m_reason);
    }
}

// ---- removal
// -------------------------------------------------------------------------------------

void CmoxNotifyList::Remove(CmoxCell* cell) {
    if (cell == nullptr) return;
    const bool counted = Counts(cell);
    if (!counted || cell->m_queuedEntries > 0) {
        if (!m_walkMode) {
            if (NotifyInfo* entry = Find(cell)) {
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
    if (!counted || cell->m_changeEntries > 0) {
        for (NotifyInfo* at = m_list.m_head; at != nullptr; at = at->m_next)
            at->m_changes.Remove(cell);
    }
}

void CmoxNotifyList::RemoveAll() {
    while (NotifyInfo* head = m_list.m_head) {
        Unlink(head);
        Release(head);
    }
}

// ---- delivery
// ------------------------------------------------------------------------------------

namespace {

// Clears the in-delivery flag on every exit. A throwing Update ends the run, but the list stays
// usable: later Notify calls deliver what is still queued.
struct DeliveryFlag {
    explicit DeliveryFlag(int& flag) : m_flag(flag) { m_flag = 1; }
    ~DeliveryFlag() { m_flag = 0; }
    int& m_flag;
};

} // namespace

// Takes the head entry of a tracked list in placement order off the queue: Unlink for the case
// that every delivery step meets, where the entry has no predecessor and names its dependent.
inline void CmoxNotifyList::UnlinkHead(NotifyInfo* head, CmoxCell* dependent, NotifyInfo* next) {
    const unsigned char slot = head->m_slot;
    // Nothing precedes the head, so it was the last of its priority only if it was alone there.
    if (m_lastOfPriority[slot] == head) {
        m_lastOfPriority[slot] = nullptr;
        m_priorities[slot >> 6] &= ~(std::uint64_t{1} << (slot & 63));
    }
    const bool counted = dependent->QueueCountedBy(m_engine);
    if (counted && dependent->m_queueEntry == head)
        dependent->m_queueEntry = nullptr;
    else
        m_secondary->erase(dependent);
    m_list.m_head = next;
    if (next != nullptr)
        next->m_prev = nullptr;
    else
        m_list.m_tail = nullptr;
    head->m_next = nullptr;
    if (counted) --dependent->m_queuedEntries;
    for (const ChangeInfo& change : head->m_changes.m_entries)
        if (change.m_cell->QueueCountedBy(m_engine)) --change.m_cell->m_changeEntries;
    head->m_changes.m_tracked = false;
    if (--m_list.m_count == 0) {
        m_orderEpoch = mox::detail::QueueOrderEpoch();
        Drained();
    }
}

MOX_FLATTEN void CmoxNotifyList::Deliver(bool immediateOnly) {
    Cmox::Current(); // throws before anything is delivered when there is no engine
    while (NotifyInfo* head = m_list.m_head) {
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
        if (m_tracked && !m_walkMode)
            UnlinkHead(head, dependent, next);
        else
            Unlink(head);
        // The entry is destroyed after Update, also when Update throws.
        struct ReleaseOnExit {
            CmoxNotifyList* list;
            NotifyInfo* entry;
            ~ReleaseOnExit() { list->Release(entry); }
        } release{this, head};
        dependent->Update(head->m_changes);
    }
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
    if (m_inDelivery || m_list.IsEmpty()) return;
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
