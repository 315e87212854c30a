#include <mox/propagation/CmoxNotifyList.h>

#include <mox/core/CmoxCell.h>
#include <mox/propagation/Cmox.h>
#include <mox/propagation/internal/QueueOrder.h>

#include <atomic>

IMPLEMENT_DYNAMIC(CmoxNotifyList, CObject)

namespace {
std::atomic<unsigned int> g_queueOrderEpoch{0};
constexpr int kMaxSpareEntries = 64;
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
    while (NotifyInfo* spare = m_spare) {
        m_spare = spare->m_next;
        delete spare;
    }
}

void CmoxNotifyList::Track() {
    // Only an empty list can start keeping counters: entries made before would be uncounted.
    if (m_list.IsEmpty()) {
        m_tracked = true;
        m_walkMode = false;
        m_orderEpoch = mox::detail::QueueOrderEpoch();
    }
}

// ---- the linked queue --------------------------------------------------------------------------

NotifyInfo* CmoxNotifyList::NewEntry(CmoxCell* dependent) {
    NotifyInfo* entry = m_spare;
    if (entry != nullptr) {
        m_spare = entry->m_next;
        --m_spareCount;
    } else {
        entry = new NotifyInfo;
    }
    entry->m_dependent = dependent;
    entry->m_slot = dependent->Priority();
    entry->m_prev = entry->m_next = nullptr;
    entry->m_changes.m_tracked = m_tracked;
    if (m_tracked) ++dependent->m_queuedEntries;
    return entry;
}

void CmoxNotifyList::Release(NotifyInfo* entry) {
    // Counters were settled when the entry left the queue (Unlink), so nothing here touches a
    // cell: the entry's cells may have died during its delivery.
    entry->m_changes.RemoveAll();
    entry->m_dependent = nullptr;
    if (m_spareCount < kMaxSpareEntries) {
        if (entry->m_changes.m_entries.capacity() > 64) entry->m_changes.m_entries.shrink_to_fit();
        entry->m_next = m_spare;
        m_spare = entry;
        ++m_spareCount;
    } else {
        delete entry;
    }
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
    if (!m_walkMode) {
        const unsigned char slot = entry->m_slot;
        if (m_lastOfPriority[slot] == nullptr || m_lastOfPriority[slot] == entry->m_prev)
            m_lastOfPriority[slot] = entry;
        m_priorities[slot >> 6] |= std::uint64_t{1} << (slot & 63);
        m_byDependent.emplace(entry->m_dependent, entry);
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
        m_byDependent.erase(entry->m_dependent);
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
        --entry->m_dependent->m_queuedEntries;
        for (const ChangeInfo& change : entry->m_changes.m_entries)
            --change.m_cell->m_changeEntries;
        entry->m_changes.m_tracked = false;
    }
    if (m_list.m_count == 0 && m_tracked) {
        // An empty queue is trivially in order again.
        m_walkMode = false;
        m_orderEpoch = mox::detail::QueueOrderEpoch();
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
    m_byDependent.clear();
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

NotifyInfo* CmoxNotifyList::FindOrInsert(CmoxCell* dependent) {
    CheckOrder();
    if (m_walkMode) return FindOrInsertExact(dependent);
    auto found = m_byDependent.find(dependent);
    if (found != m_byDependent.end()) return found->second;
    // Behind every entry of equal or higher priority, before the first lower one.
    NotifyInfo* entry = NewEntry(dependent);
    NotifyInfo* after = LastAtOrAbove(entry->m_slot);
    Link(entry, after != nullptr ? after->m_next : m_list.m_head);
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
    FindOrInsert(dependent)->m_changes.Add(changed, userData, reason);
}

void CmoxNotifyList::Add(CmoxCell* changed, unsigned long userData, MoxChangeReason reason) {
    for (CmoxCell* dependent : changed->GetDependents())
        if (!dependent->IsUndoInProgress()) Add(dependent, changed, userData, reason);
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
    if (!m_tracked || cell->m_queuedEntries > 0) {
        if (!m_walkMode) {
            auto found = m_byDependent.find(cell);
            if (found != m_byDependent.end()) {
                NotifyInfo* entry = found->second;
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
    if (!m_tracked || cell->m_changeEntries > 0) {
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

void CmoxNotifyList::Deliver(bool immediateOnly) {
    Cmox::Current(); // throws before anything is delivered when there is no engine
    while (NotifyInfo* head = m_list.m_head) {
        if (immediateOnly && head->m_dependent->Priority() < m_cutoff) break;
        Unlink(head);
        // The entry is destroyed after Update, also when Update throws.
        struct ReleaseOnExit {
            CmoxNotifyList* list;
            NotifyInfo* entry;
            ~ReleaseOnExit() { list->Release(entry); }
        } release{this, head};
        head->m_dependent->Update(head->m_changes);
    }
}

void CmoxNotifyList::NotifyImmediate() {
    Deliver(true);
}
void CmoxNotifyList::NotifyDeferred() {
    Deliver(false);
}

void CmoxNotifyList::Notify() {
    if (m_inDelivery) return;
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
