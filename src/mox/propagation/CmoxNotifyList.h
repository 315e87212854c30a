#pragma once
/// @file
/// CmoxNotifyList: the queue of pending notifications, one entry per dependent, by priority.

#include <mox/core/MoxConstants.h>
#include <mox/propagation/CmoxChangedList.h>

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
    CmoxNotifyList* m_owner = nullptr; // the list the entry is queued in
    unsigned char m_slot = 0;          // the dependent's priority when the entry was placed
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
/// list is used under the engine's lock. Queueing a change costs constant time however long the
/// queue is (entries are indexed by dependent and placed through per-priority tails).
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
    const NotifyInfoList& GetList() const { return m_list; }

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
    void Track(const void* engine);
    bool Counts(CmoxCell* cell) const;
    NotifyInfo* Find(const CmoxCell* dependent) const;
    NotifyInfo* FindOrInsert(CmoxCell* dependent);
    NotifyInfo* FindOrInsertExact(CmoxCell* dependent);
    NotifyInfo* LastAtOrAbove(unsigned char priority) const;
    NotifyInfo* NewEntry(CmoxCell* dependent);
    void AppendFresh(CmoxCell* dependent, NotifyInfo* tail, CmoxCell* changed,
                     unsigned long userData, MoxChangeReason reason);
    void Link(NotifyInfo* entry, NotifyInfo* before);
    void LinkAtTail(NotifyInfo* entry);
    void Register(NotifyInfo* entry);
    void Unlink(NotifyInfo* entry);
    void UnlinkHead(NotifyInfo* head, CmoxCell* dependent, NotifyInfo* next);
    void Release(NotifyInfo* entry);
    NotifyInfo* TakeSpare();
    void KeepSpare(NotifyInfo* entry);
    void Drained();
    void CheckOrder();
    void Deliver(bool immediateOnly);

    unsigned char m_cutoff;
    NotifyInfoList m_list;
    int m_inDelivery = 0;
    MoxNotifyPolicy m_policy;

    // Fast placement (valid while every queued dependent keeps the priority it was placed
    // with): the last entry of each priority and a bitmap of the priorities present. A
    // dependent's entry is found through the dependent itself (CmoxCell::m_queueEntry), or,
    // when that names an entry of another list (a cell queued both here and in a list saved by
    // a sub-transaction), through `m_secondary`. When a queued cell's priority changes, the
    // list falls back to walking until it is empty again, which is exactly the order that a
    // walk from the head gives.
    struct SecondaryIndex;
    SecondaryIndex* m_secondary = nullptr;
    NotifyInfo* m_lastOfPriority[256] = {};
    std::uint64_t m_priorities[4] = {};
    bool m_walkMode = true;
    unsigned int m_orderEpoch;
    // Set on the engine's own lists: they keep the cells' queue counters and entry pointers, and
    // with them the fast placement and the cheap removal of cells that are not queued. Other
    // lists (built by client code or the undo context for one short delivery) walk, and never
    // touch a cell, so they stay safe with cells that die while listed.
    bool m_tracked = false;
    const void* m_engine = nullptr; // the engine of a tracked list: see CmoxCell::m_queueOwner
    // Entries kept for reuse: a delivery run frees and refills entries at a high rate. The pool
    // follows demand: it may hold as many entries as the list held at its fullest since it was
    // last empty, and halves its allowance at each drain that needed fewer.
    // It is a first-in first-out ring: entries come back in delivery order and are handed out
    // again in that order, so a fan-out queues and delivers them in the order they lie in
    // memory, and the ring tells which entries the next few queueings will take.
    std::vector<NotifyInfo*> m_spare; // power-of-two size
    std::size_t m_spareHead = 0;
    int m_spareCount = 0;
    int m_spareLimit = 64;
    int m_peakCount = 0;
};
