#pragma once
/// @file
/// CmoxNotifyList: the queue of pending notifications, one entry per dependent, by priority.

#include <mox/core/MoxConstants.h>
#include <mox/propagation/CmoxChangedList.h>

#include <atomic>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

class CmoxCell;
class CmoxNotifyList;

/// One queued dependent and the changes it will be told about.
class MOX_API NotifyInfo : public CObject {
  public:
    /// The dependent whose Update will be called (borrowed).
    CmoxCell* Dependent() const { return m_dependent; }
    /// The changes collected for it.
    CmoxChangedList& Changes() { return m_changes; }
    /// The changes collected for it.
    const CmoxChangedList& Changes() const { return m_changes; }

  private:
    friend class CmoxNotifyList;
    friend class NotifyInfoList;
    NotifyInfo() = default;

    // Delivery reads the links, the dependent and the changes' first entry: they come first,
    // and the first change lives inside the changed list.
    CmoxCell* m_dependent = nullptr;
    NotifyInfo* m_next = nullptr;
    NotifyInfo* m_prev = nullptr;
    unsigned char m_slot = 0; // the dependent's priority when the entry was placed
    CmoxChangedList m_changes;
};

/// Read-only view of a notify list's entries, head (highest priority) first.
class MOX_API NotifyInfoList {
  public:
    /// Forward iterator over the entries.
    class const_iterator {
      public:
        using value_type = NotifyInfo;                       ///< iterator trait
        using reference = const NotifyInfo&;                 ///< iterator trait
        using pointer = const NotifyInfo*;                   ///< iterator trait
        using difference_type = std::ptrdiff_t;              ///< iterator trait
        using iterator_category = std::forward_iterator_tag; ///< iterator trait
        const_iterator() = default;
        /// The entry.
        const NotifyInfo& operator*() const { return *m_at; }
        /// The entry.
        const NotifyInfo* operator->() const { return m_at; }
        /// Next entry.
        const_iterator& operator++();
        /// Same entry.
        bool operator==(const const_iterator& o) const { return m_at == o.m_at; }
        /// Different entry.
        bool operator!=(const const_iterator& o) const { return m_at != o.m_at; }

      private:
        friend class NotifyInfoList;
        explicit const_iterator(const NotifyInfo* at) : m_at(at) {}
        const NotifyInfo* m_at = nullptr;
    };

    /// The head entry.
    const_iterator begin() const { return const_iterator(m_head); }
    /// Past the tail.
    const_iterator end() const { return const_iterator(nullptr); }
    /// Number of entries.
    int GetCount() const { return m_count; }
    /// True when nothing is queued.
    bool IsEmpty() const { return m_count == 0; }
    /// The head entry, or null.
    const NotifyInfo* GetHead() const { return m_head; }

  private:
    friend class CmoxNotifyList;
    NotifyInfo* m_head = nullptr;
    NotifyInfo* m_tail = nullptr;
    int m_count = 0;
};

/// The queue of pending notifications. Entries are ordered by the dependent's priority, highest
/// first, equal priorities in the order they were queued; each dependent has one entry that
/// collects its changes. Notify delivers from the head by the policy: immediate delivery stops at
/// the first head entry below the cutoff. Delivery may be re-entered by the Updates it calls:
/// new entries join the running loop, nested Notify calls return at once.
/// Owns its entries and their changed lists, never the cells. No lock of its own: the engine's
/// list is used under the engine's lock. On the engine's lists queueing a change costs constant
/// time however long the queue is (entries are placed through per-priority tails and found
/// through the dependent's counters or an index).
class MOX_API CmoxNotifyList : public CObject {
    DECLARE_DYNAMIC(CmoxNotifyList)

  public:
    /// An empty list with the given policy and cutoff priority.
    explicit CmoxNotifyList(MoxNotifyPolicy policy = MOX_NOTIFY_IMMEDIATE,
                            unsigned char cutoff = MOX_CUTOFF_PRIORITY);
    ~CmoxNotifyList() override;
    CmoxNotifyList(const CmoxNotifyList&) = delete;
    CmoxNotifyList& operator=(const CmoxNotifyList&) = delete;

    /// Immediate delivery stops below this priority.
    unsigned char CutoffPriority() const { return m_cutoff; }
    /// Sets the cutoff priority.
    void CutoffPriority(unsigned char cutoff) { m_cutoff = cutoff; }
    /// What Notify delivers.
    MoxNotifyPolicy NotifyPolicy() const { return m_policy; }
    /// Sets the policy.
    void NotifyPolicy(MoxNotifyPolicy policy) { m_policy = policy; }
    /// The entries, head first.
    const NotifyInfoList& GetList() const;

    /// Queues one change of `changed` for `dependent`.
    void Add(CmoxCell* dependent, CmoxCell* changed, unsigned long userData,
             MoxChangeReason reason);
    /// Queues the change for every dependent of `changed` that is not being undone.
    void Add(CmoxCell* changed, unsigned long userData, MoxChangeReason reason);
    /// Queues the change for every dependent of `changed` at or below MOX_CUTOFF_PRIORITY.
    void AddDeferred(CmoxCell* changed, unsigned long userData, MoxChangeReason reason);
    /// Queues the change for the dependents of `changed` that an undo should tell: not being
    /// undone, and either at or below MOX_CUTOFF_PRIORITY or with UndoNotify set.
    void AddUndoNotification(CmoxCell* changed, unsigned long userData, MoxChangeReason reason);
    /// Copies every queued change of `other` into this list; `other` is left unchanged.
    void Merge(const CmoxNotifyList& other);
    /// Drops the entry of `cell` and removes `cell` from every other entry's changes.
    void Remove(CmoxCell* cell);
    /// Drops every entry.
    void RemoveAll();
    /// Delivers according to the policy, unless a delivery of this list is running.
    void Notify();
    /// Whether a change waits here for delivery. Readable without the engine's lock: the thread
    /// that owns the list sees its own queueing at once, and another thread's Merge perhaps a
    /// moment later, as if the merge had come after the read.
    bool HasWaiting() const { return m_waiting.load(std::memory_order_relaxed); }
    /// Runs the immediate delivery whatever the policy, unless a delivery is running.
    void NotifyImmediateCells();
    /// Delivers every entry whatever the policy, unless a delivery is running.
    void NotifyDeferredCells();

  protected:
    /// Delivers head entries while the head's dependent is at or above the cutoff.
    void NotifyImmediate();
    /// Delivers every entry, head first.
    void NotifyDeferred();

  private:
    friend class Cmox;
    void Track(std::uint32_t engine);
    bool Counts(CmoxCell* cell) const;
    void CheckOrder();
    NotifyInfo* EntryFor(CmoxCell* dependent);
    NotifyInfo* Lookup(CmoxCell* dependent, bool counted);
    NotifyInfo* LastAtOrAbove(unsigned char priority) const;
    NotifyInfo* Insert(CmoxCell* dependent, unsigned char slot, NotifyInfo* before, bool counted);
    NotifyInfo* NewEntry();
    void QueueEach(CmoxCell* changed, unsigned long userData, MoxChangeReason reason);
    bool StartFanOut(CmoxCell* changed, unsigned long userData, MoxChangeReason reason);
    bool HasFanOut() const { return m_fanOut.next < m_fanOut.cells.size(); }
    /// Forgets the fan-out; the copy keeps its storage for the next one.
    void EndFanOut() {
        m_fanOut.cells.clear();
        m_fanOut.next = 0;
        NoteWaiting();
    }
    // Writers hold the engine's lock, so a plain store keeps the flag exact.
    void NoteWaiting() {
        m_waiting.store(!m_list.IsEmpty() || HasFanOut(), std::memory_order_relaxed);
    }
    void SpillFanOut();
    bool DeliverFanOut(bool immediateOnly);
    void Queue(CmoxCell* dependent, CmoxCell* changed, bool changedCounted, unsigned long userData,
               MoxChangeReason reason);
    void Unlink(NotifyInfo* entry);
    void Release(NotifyInfo* entry);
    static void Empty(CmoxChangedList& changes);
    void Drained();
    void Deliver(bool immediateOnly);
    void CheckInvariants() const;

    unsigned char m_cutoff;
    NotifyInfoList m_list;
    int m_inDelivery = 0;
    std::atomic<bool> m_waiting{false}; // see HasWaiting
    MoxNotifyPolicy m_policy;

    // Placement in constant time, while every queued dependent keeps the priority it was placed
    // with: the last entry of each priority and a bitmap of the priorities present. When a
    // queued cell's priority changes (the process-wide epoch moves), the list walks from the
    // head until it is empty again, which places exactly as before.
    NotifyInfo* m_lastOfPriority[256] = {};
    std::uint64_t m_priorities[4] = {};
    bool m_walkMode = true;
    unsigned int m_orderEpoch;
    // Finds a queued dependent's entry: built when a dependent that may be queued is first
    // looked up, kept up to date from then on until the list drains. A fan-out of dependents
    // queued nowhere never needs it.
    struct Index;
    Index* m_index = nullptr;
    bool m_indexed = false;
    // Set on the engine's own lists: they keep the cells' queue counters (of the cells whose
    // counters are this engine's), and with them the constant-time placement. Other lists
    // (built by client code or the undo context for one short delivery) walk, and never touch a
    // cell's bookkeeping, so they stay safe with cells that die while listed.
    bool m_tracked = false;
    std::uint32_t m_engine = 0; // serial of the engine of a tracked list
    // Entries kept for reuse: a delivery run frees and refills entries at a high rate. Kept in an
    // array rather than linked through the entries, so the next few can be fetched ahead
    // without waiting for each in turn. The pool may hold as many entries as the list held at
    // its fullest since it was last empty, and halves its allowance at each drain that needed
    // fewer.
    std::vector<NotifyInfo*> m_spares;
    int m_spareLimit = 64;
    int m_peakCount = 0;
    // A fan-out kept in its compact form: a change queued into an empty engine list, for
    // dependents that share one priority, is delivered straight from this copy of them (from
    // `next` on). Anything else that touches the queue first turns the rest into entries
    // (SpillFanOut), which gives exactly the queue that queueing them one by one would have.
    struct FanOut {
        std::vector<CmoxCell*> cells;
        std::size_t next = 0;
        ChangeInfo change{nullptr, 0, MOX_VALUE_CHANGED};
        unsigned char slot = 0;  // the priority the cells were queued with
        CmoxChangedList changes; // handed to each cell in turn
    } m_fanOut;
};
