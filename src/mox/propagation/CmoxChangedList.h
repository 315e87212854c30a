#pragma once
/// @file
/// CmoxChangedList: the changes one dependent is told about in one Update, and its ChangeInfo.

#include <mox/core/MoxConstants.h>
#include <mox/platform/CObject.h>

#include <memory>
#include <vector>

class CmoxCell;

/// One changed cell in a changed list: the cell, its merged user data and the reason.
class MOX_API ChangeInfo : public CObject {
  public:
    /// An entry for `cell` with `userData` and `reason`.
    ChangeInfo(CmoxCell* cell, unsigned long userData, MoxChangeReason reason)
        : m_reason(reason), m_userData(userData), m_cell(cell) {}
    ChangeInfo(const ChangeInfo&) = default;
    ChangeInfo& operator=(const ChangeInfo&) = default;

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

/// The set of changes handed to one dependent's Update: one entry per changed cell, in the
/// order the cells were first reported. Owns its entries, not the cells. Not locked: the notify
/// list that holds it is guarded by the engine's lock. Queries walk from the head and the first
/// match wins; finding a cell by pointer does not walk long lists.
class MOX_API CmoxChangedList : public CObject {
    DECLARE_DYNAMIC(CmoxChangedList)

  public:
    /// The entries, in order.
    using EntryList = std::vector<ChangeInfo>;

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
};
