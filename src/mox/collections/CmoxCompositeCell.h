#pragma once
/// @file
/// CmoxCompositeCell: a cell holding an ordered set of named child cells.

#include <mox/core/CmoxCell.h>

#include <cstdint>
#include <string>
#include <vector>

/// A cell that owns an ordered set of named children of any kind, hands its priority down to
/// them, forwards the tree-wide operations (dependencies, defaults, priorities, messages) to
/// them, looks them up by name and user name, and keeps its own user name in a string child
/// named "UserName" (MOX_USER_NAME), if it has one.
///
/// Ownership: the composite owns every child and destroys them, first to last, with itself;
/// `RemoveChild` hands a child back to the caller.
/// Notification: adding and removing a child report MOX_CHILD_ADDED / MOX_CHILD_REMOVED and
/// deliver at once (no undo record). Child changes arrive as MOX_CHILD_CHANGED; under
/// ADDDEL_COLLNOTIFY they pass on to the ancestors without reaching the composite's own
/// dependents.
/// Threading: one thread, the one whose engine its changes go to; no lock.
class MOX_API CmoxCompositeCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxCompositeCell)

  public:
    using CmoxCell::operator=;

    /// An empty composite named "NoName", notify parent on, state priority, ALL_COLLNOTIFY.
    CmoxCompositeCell();
    /// An empty composite with the given settings.
    explicit CmoxCompositeCell(const char* name, int notifyParent = 1,
                               unsigned char priority = MOX_STATE_PRIORITY,
                               MoxCollNotifyPolicy policy = ALL_COLLNOTIFY);
    /// Resets the cell base (which clears the parent) and the composite's settings; the
    /// children are left alone.
    void Initialize(const char* name, int notifyParent, unsigned char priority,
                    MoxCollNotifyPolicy policy);

    // ---- overrides of the cell interface, in the cell's order ----------------------------------
    /// Destroys the children, first to last, without reporting anything.
    ~CmoxCompositeCell() override;
    /// Same class, same number of children, children pairwise equal.
    int operator==(const CmoxCell& other) const override;
    /// Files `undo` and queues the dependents unless a child change is filtered out by the
    /// notify policy, passes the change up, and delivers when `notifyNow` is set.
    void Changed(unsigned long userData, MoxChangeReason reason, int notifyNow,
                 CmoxUndoInfo* undo) override;
    /// Sets the text of the "UserName" child (nothing when there is none).
    void UserName(const char* userName) override;
    /// The text of the "UserName" string child; empty when there is none.
    const char* UserName() override;
    /// Non-zero when a child named "UserName" exists.
    int HasUserName() override;
    /// Every child's CreateDependencies.
    void CreateDependencies() override;
    /// Removes the composite's own dependencies, then every child's.
    void DestroyDependencies() override;
    /// Processes the message, then passes it to every child.
    void PropogateMoxMessage(int message, long param, void* data) override;
    /// Every child's MakeDefaultCurrent.
    void MakeDefaultCurrent() override;
    /// Every child's MakeCurrentDefault.
    void MakeCurrentDefault() override;
    /// Sets the composite's priority, then every child's.
    void PropogatePriority(unsigned char priority) override;
    /// The first child of that name (exact case), or null.
    CmoxCell* FindChild(const char* name) override;
    /// The first child that has that user name, or null.
    CmoxCell* FindChildUser(const char* userName) override;
    /// Writes the frame and a braced list of the savable children's records.
    void Save(CmoxArchive& archive) override;
    /// Reads the braced list back, matching each record to a child by name (RestoreFindChild);
    /// asks the user whether to go on when a record matches no child.
    void Restore(CmoxArchive& archive) override;

    // ---- the composite's own virtual operations ------------------------------------------------
    /// Makes the composite a dependent of every child.
    virtual void MakeDependentOnChildren();
    /// Non-zero when `cell` is a direct child.
    virtual int Contains(CmoxCell* cell);
    /// The child that a record being restored under `name` belongs to: FindChild(name) here.
    /// Subclasses override it to create missing children (the record's class name is in
    /// Cmox::RestoreClassName()).
    virtual CmoxCell* RestoreFindChild(const char* name);

    // ---- children ------------------------------------------------------------------------------
    /// Adopts `child` (appended, parent set, priority handed down); reports MOX_CHILD_ADDED
    /// unless `quiet`. The composite owns the child from now on.
    void AddChild(CmoxCell* child, int quiet = 0);
    /// Takes `child` out (parent cleared, MOX_CHILD_REMOVED reported) and hands it back to the
    /// caller; null, reporting nothing, when it is not a child.
    CmoxCell* RemoveChild(CmoxCell* child);
    /// Number of children.
    int GetSize() const { return static_cast<int>(m_children.size()); }
    /// The child at `index` in adding order, or null outside 0..size-1.
    CmoxCell* GetChildAt(int index) const;
    /// The notify policy.
    MoxCollNotifyPolicy NotifyPolicy() const { return m_notifyPolicy; }
    /// Sets the notify policy.
    void NotifyPolicy(MoxCollNotifyPolicy policy) { m_notifyPolicy = policy; }

    // ---- named children ------------------------------------------------------------------------
    // The setters call the named child's virtual setter and drop its result; a missing child is
    // ignored. The getters return 0 (or empty) for a missing child or one of another type.
    /// Sets the named child through Value(long).
    void SetChildLong(const char* name, long value);
    /// Sets the named child through Value(double).
    void SetChildDouble(const char* name, double value);
    /// Sets the named child through Value(int).
    void SetChildBoolean(const char* name, int value);
    /// Sets the named child through Value(const char*).
    void SetChildString(const char* name, const char* value);
    /// Sets the named child through Value(unsigned char).
    void SetChildByte(const char* name, unsigned char value);
    /// Sets the named child through Value(__int64).
    void SetChildLongLong(const char* name, __int64 value);
    /// The value of the named long cell.
    long GetChildLong(const char* name);
    /// The value of the named double cell.
    double GetChildDouble(const char* name);
    /// The value of the named boolean cell, 0 or 1.
    int GetChildBoolean(const char* name);
    /// The text of the named string cell.
    const std::string& GetChildString(const char* name);
    /// The value of the named byte cell.
    unsigned char GetChildByte(const char* name);
    /// The value of the named 64-bit cell.
    __int64 GetChildLongLong(const char* name);
    /// Toggles the named boolean cell.
    void ToggleChildBoolean(const char* name);
    /// Writes a record of this composite that holds only the named child (when it is savable;
    /// an empty list when there is no such child).
    void SaveChild(CmoxArchive& archive, const char* name);

  private:
    // The record of this composite with the savable cells among `children`.
    void SaveChildren(CmoxArchive& archive, const std::vector<CmoxCell*>& children);

    // Whether the name table may answer FindChild; rebuilds it when it is stale and worth it.
    bool NameTableUsable();
    bool BuildNameTable(unsigned long long epoch);
    void DropNameTable() { m_nameTableValid = false; }

    std::vector<CmoxCell*> m_children; // owned
    MoxCollNotifyPolicy m_notifyPolicy = ALL_COLLNOTIFY;
    // Open-addressing table from a name's hash to the first child with that name (index + 1; 0
    // is a free slot), for composites with many children. Valid while no child was added or
    // removed and no cell's name may have changed since it was built.
    std::vector<std::uint32_t> m_nameSlots;
    std::vector<std::uint32_t> m_nameHashes;
    unsigned long long m_nameTableEpoch = 0;
    std::size_t m_nameTableServed = 0; // look-ups answered since the last build
    std::size_t m_nameTableStale = 0;  // look-ups scanned while it was stale
    bool m_nameTableBuilt = false;
    bool m_nameTableValid = false;
    bool m_namesUnique = false;  // the table met no two children of one name
    std::size_t m_nextChild = 0; // the child after the last one the table found
};
