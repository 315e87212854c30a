#pragma once
/// @file
/// CmoxChangedList: the changes one dependent is told about in one Update, and its ChangeInfo.

#include <mox/core/MoxConstants.h>
#include <mox/platform/CObject.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

class CmoxCell;

/// One changed cell in a changed list: the cell, its merged user data and the reason.
class MOX_API ChangeInfo final : public CObject {
  public:
    /// An entry for `cell` with `userData` and `reason`.
    ChangeInfo(CmoxCell* cell, unsigned long userData, MoxChangeReason reason)
        : m_reason(reason), m_userData(userData), m_cell(cell) {}
    /// A copy of `other`.
    ChangeInfo(const ChangeInfo& other) = default;
    /// Becomes a copy of `other`.
    ChangeInfo& operator=(const ChangeInfo& other) = default;

    /// Why the cell changed (MOX_VALUE_CHANGED once it was reported more than once).
    MoxChangeReason Reason() const { return m_reason; }
    /// The merged user data of the reports.
    unsigned long UserData() const { return m_userData; }
    /// The cell that changed (borrowed).
    CmoxCell* Cell() const { return m_cell; }

    MoxChangeReason m_reason; ///< Why the cell changed.
    unsigned long m_userData; ///< Merged user data.
    CmoxCell* m_cell;         ///< The changed cell, not owned.
};

namespace mox::detail {

/// The entries of a changed list: a growable array whose first entry lives inside the list
/// itself. Most dependents are told about one change per Update, so the usual entry of a notify
/// list carries its change without a buffer of its own, one cache line fewer per delivery.
/// Holds ChangeInfo values in order; not copyable or movable (it may point into itself).
class MOX_API ChangeEntries {
  public:
    using value_type = ChangeInfo;
    using iterator = ChangeInfo*;
    using const_iterator = const ChangeInfo*;
    using size_type = std::size_t;

    ChangeEntries() = default;
    ~ChangeEntries();
    ChangeEntries(const ChangeEntries&) = delete;
    ChangeEntries& operator=(const ChangeEntries&) = delete;

    /// Number of entries.
    size_type size() const { return m_size; }
    /// True when there is no entry.
    bool empty() const { return m_size == 0; }
    /// Entries the current storage holds without growing.
    size_type capacity() const { return m_capacity; }
    /// The first entry's address.
    ChangeInfo* data() { return m_data; }
    /// The first entry's address.
    const ChangeInfo* data() const { return m_data; }
    /// First entry.
    iterator begin() { return m_data; }
    /// Past the last entry.
    iterator end() { return m_data + m_size; }
    /// First entry.
    const_iterator begin() const { return m_data; }
    /// Past the last entry.
    const_iterator end() const { return m_data + m_size; }
    /// Entry `i` (unchecked).
    ChangeInfo& operator[](size_type i) { return m_data[i]; }
    /// Entry `i` (unchecked).
    const ChangeInfo& operator[](size_type i) const { return m_data[i]; }
    /// The first entry (there must be one).
    const ChangeInfo& front() const { return m_data[0]; }
    /// The last entry (there must be one).
    const ChangeInfo& back() const { return m_data[m_size - 1]; }

    /// Appends an entry.
    void emplace_back(CmoxCell* cell, unsigned long userData, MoxChangeReason reason) {
        if (m_size == m_capacity) Grow();
        new (m_data + m_size) ChangeInfo(cell, userData, reason);
        ++m_size;
    }
    /// Appends a copy of `change`.
    void push_back(const ChangeInfo& change) {
        emplace_back(change.m_cell, change.m_userData, change.m_reason);
    }
    /// Removes the entry at `at`, keeping the order of the others.
    void erase(const_iterator at);
    /// Removes every entry; the storage stays.
    void clear() {
        for (std::uint32_t i = 0; i < m_size; ++i)
            m_data[i].~ChangeInfo();
        m_size = 0;
    }
    /// Gives back storage beyond what the entries need (down to the inline entry).
    void shrink_to_fit();

  private:
    void Grow();
    void Reallocate(size_type capacity);
    ChangeInfo* Inline() { return reinterpret_cast<ChangeInfo*>(m_inline); }

    ChangeInfo* m_data = Inline();
    std::uint32_t m_size = 0;
    std::uint32_t m_capacity = 1;
    alignas(ChangeInfo) unsigned char m_inline[sizeof(ChangeInfo)];
};

} // namespace mox::detail

/// The set of changes handed to one dependent's Update: one entry per changed cell, in the
/// order the cells were first reported. Owns its entries, not the cells. Not locked: the notify
/// list that holds it is guarded by the engine's lock. Queries walk from the head and the first
/// match wins; finding a cell by pointer does not walk long lists.
class MOX_API CmoxChangedList : public CObject {
    DECLARE_DYNAMIC(CmoxChangedList)

  public:
    /// The entries, in order.
    using EntryList = mox::detail::ChangeEntries;

    /// An empty list.
    CmoxChangedList();
    ~CmoxChangedList() override;
    CmoxChangedList(const CmoxChangedList&) = delete;
    CmoxChangedList& operator=(const CmoxChangedList&) = delete;

    /// Adds `cell`, or merges into its entry: user data combined by the cell's CombineUserData
    /// (a 0 word changes nothing) and the reason set to MOX_VALUE_CHANGED.
    void Add(CmoxCell* cell, unsigned long userData, MoxChangeReason reason);
    /// The first cell whose name is `name`, or null.
    CmoxCell* Contains(const char* name) const;
    /// The first cell whose UserName() is `userName`, or null.
    CmoxCell* ContainsUser(const char* userName) const;
    /// The first cell whose PathName() is `path`, or null.
    CmoxCell* ContainsFull(const char* path) const;
    /// The first cell whose path name ends with `partialPath` (compared by characters), or null.
    CmoxCell* ContainsPartial(const char* partialPath) const;
    /// `cell` when it has an entry, else null.
    CmoxCell* ContainsPtr(CmoxCell* cell) const;
    /// The reason of the first cell named `name`, or MOX_NO_CHANGE.
    MoxChangeReason GetChangeReason(const char* name) const;
    /// The reason of `cell`, or MOX_NO_CHANGE.
    MoxChangeReason GetChangeReason(CmoxCell* cell) const;
    /// The user data of the first cell named `name`, or 0.
    unsigned long GetUserData(const char* name) const;
    /// The user data of `cell`, or 0.
    unsigned long GetUserData(CmoxCell* cell) const;
    /// Removes the entry of `cell`, if any.
    void Remove(CmoxCell* cell);
    /// Removes every entry.
    void RemoveAll();
    /// Number of entries.
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    /// The entries, in order.
    const EntryList& GetList() const { return m_entries; }

  private:
    friend class CmoxNotifyList;
    static constexpr std::size_t kIndexThreshold = 8;

    const ChangeInfo* FindEntry(const CmoxCell* cell) const;
    const ChangeInfo* FindNamed(const char* name) const;
    void RebuildIndex();

    EntryList m_entries;
    struct Index; // position of each cell's entry, kept past kIndexThreshold entries
    std::unique_ptr<Index> m_index;
    // Set for lists inside a notify list: they keep the cells' change counters, which lets
    // a dying cell skip lists that cannot mention it.
    bool m_tracked = false;
    std::uint32_t m_engine = 0; // the engine of the notify list, for the cells' counters
    bool Counts(CmoxCell* cell) const;
};
