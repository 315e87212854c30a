#pragma once
/// @file
/// CmoxArrayCell: an indexed, growable sequence of element cells.

#include <mox/core/CmoxCell.h>
#include <mox/platform/CCriticalSection.h>

#include <memory>
#include <string>
#include <vector>

class CmoxArrayCell;
class CmoxArrayUndoInfo;
namespace mox::detail {
struct ArrayRecordFamily;
// Self-check of the array's internal structure, for tests; empty unless built with checks on.
MOX_API void CheckInvariants(const CmoxArrayCell& array);
} // namespace mox::detail

/// A cell holding a sequence of element cells addressed by index, with names generated from
/// the class-wide cell counter and a suffix.
///
/// Ownership: with make parent on (the default) the array is its elements' parent and owns
/// them: it destroys them with itself, `Remove` hands one back to the caller and
/// `DestroyElement` destroys one (or, while a transaction records, hands it to the undo
/// record). With make parent off it only refers to cells owned elsewhere (by `TrueParent()`),
/// saves them as references and finds them again by name on restore.
/// Notification: insertions and removals report MOX_CHILD_ADDED / MOX_CHILD_REMOVED through
/// `Changed`, which filters child changes by the notify policy; while an undo context is
/// attached each of them files a CmoxArrayUndoInfo, so structural changes are undoable.
/// Threading: a recursive lock guards the sequence and the find cache in the removing
/// operations, the cached finders, Undo and Redo (each for its whole duration); insertion and
/// the plain accessors take no lock. Changes go to the calling thread's engine.
class MOX_API CmoxArrayCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxArrayCell)

  public:
    using CmoxCell::operator=;

    /// An empty owning array named "NoName", no suffix, notify parent on, state priority,
    /// ALL_COLLNOTIFY.
    CmoxArrayCell();
    /// An empty array with the given settings.
    CmoxArrayCell(const char* name, const char* childSuffix = "", int notifyParent = 1,
                  unsigned char priority = MOX_STATE_PRIORITY,
                  MoxCollNotifyPolicy policy = ALL_COLLNOTIFY, int makeParent = 1);
    /// Resets the cell base and the array's settings; the elements are left alone.
    void Initialize(const char* name, const char* childSuffix, int notifyParent,
                    unsigned char priority, MoxCollNotifyPolicy policy, int makeParent);

    // ---- overrides of the cell interface, in the cell's order ----------------------------------
    /// With make parent on, destroys the elements (DestroyElements) first.
    ~CmoxArrayCell() override;
    /// Files `undo`, queues the dependents unless a child change is filtered out by the notify
    /// policy, passes the change up, and delivers when `notifyNow` is set.
    void Changed(unsigned long userData, MoxChangeReason reason, int notifyNow,
                 CmoxUndoInfo* undo) override;
    /// Every element's CreateDependencies.
    void CreateDependencies() override;
    /// Removes the array's own dependencies, then every element's.
    void DestroyDependencies() override;
    /// Processes the message, then passes it to every element.
    void PropogateMoxMessage(int message, long param, void* data) override;
    /// Every element's MakeDefaultCurrent.
    void MakeDefaultCurrent() override;
    /// Every element's MakeCurrentDefault.
    void MakeCurrentDefault() override;
    /// Sets the array's priority, then every element's.
    void PropogatePriority(unsigned char priority) override;
    /// Puts the sequence of the record's before snapshot back (no report).
    void Undo(CmoxUndoInfo* undo) override;
    /// Puts the sequence of the record's after snapshot back (no report).
    void Redo(CmoxUndoInfo* undo) override;
    /// Settles who owns the elements the undo or redo took out (CacheRemovedByUndo).
    void PostUndo(CmoxUndoInfo* undo) override;
    /// The element of that name, trying the find cache first.
    CmoxCell* FindChild(const char* name) override;
    /// The element with that user name, trying the find cache first.
    CmoxCell* FindChildUser(const char* userName) override;
    /// Writes the frame and a braced list of the savable elements: full records when the array
    /// owns them, else each element's frame followed by "*" (a reference).
    void Save(CmoxArchive& archive) override;
    /// Reads the braced list back, replacing the present elements: owned elements through
    /// CreateAddRestoreElement, references by name among TrueParent()'s children.
    void Restore(CmoxArchive& archive) override;

    // ---- the array's own virtual operations ----------------------------------------------------
    /// Makes the array a dependent of every element.
    virtual void MakeDependentOnChildren();
    /// 1 when `cell` is an element, else 0.
    virtual int Contains(CmoxCell* cell);
    /// Creates a plain cell with a generated name, adds it at the end and returns it.
    /// Subclasses create elements of their own type.
    virtual CmoxCell* CreateAndAdd();
    /// Empties the array (destroying the elements when it owns them) and reports
    /// MOX_CHILD_REMOVED, even when it was empty. Records nothing.
    virtual void RemoveDynamicElements();
    /// Restore hook for one owned element: create an element for `className`, name it `name`,
    /// add it and restore it. This version does nothing.
    virtual void CreateAddRestoreElement(CmoxArchive& archive, std::string& className,
                                         const char* name);
    /// The cell whose children a non-owning array refers to; null here.
    virtual CmoxCell* TrueParent();

    // ---- settings ------------------------------------------------------------------------------
    /// The suffix of generated element names (modifiable).
    std::string& ChildSuffix() { return m_childSuffix; }
    /// Sets the suffix of generated element names.
    void ChildSuffix(const char* suffix) { m_childSuffix = suffix != nullptr ? suffix : ""; }
    /// The notify policy.
    MoxCollNotifyPolicy NotifyPolicy() const { return m_notifyPolicy; }
    /// Sets the notify policy.
    void NotifyPolicy(MoxCollNotifyPolicy policy) { m_notifyPolicy = policy; }
    /// Whether the array owns its elements and is their parent.
    int MakeParent() const { return m_makeParent; }
    /// Sets the make-parent flag (normally fixed at construction).
    void MakeParent(int makeParent) { m_makeParent = makeParent; }
    /// Raises the class-wide cell counter; out = its new value in decimal + the suffix.
    std::string& NewChildName(std::string& out);

    // ---- access --------------------------------------------------------------------------------
    /// Number of elements.
    int GetSize() const { return static_cast<int>(m_elements.size()); }
    /// The element at `index`; CInvalidArgException outside 0..size-1.
    CmoxCell* GetAt(int index) const;
    /// The element pointer at `index`, modifiable; CInvalidArgException outside 0..size-1.
    CmoxCell*& ElementAt(int index);
    /// The element at `index`; CInvalidArgException outside 0..size-1.
    CmoxCell* operator[](int index) const { return GetAt(index); }
    /// The element pointer at `index`, modifiable; CInvalidArgException outside 0..size-1.
    CmoxCell*& operator[](int index) { return ElementAt(index); }
    /// The first index holding `cell`, or -1.
    int IndexOf(const CmoxCell* cell) const;
    /// The first element whose Match(pattern, mode) is non-zero, trying the find cache first.
    CmoxCell* FindChildMatch(CmoxCell* pattern, int mode);
    /// Number of elements whose Match(pattern, mode) is non-zero.
    int CountChildMatch(CmoxCell* pattern, int mode);

    // ---- changes -------------------------------------------------------------------------------
    /// Inserts `element` at `index` (0..size; size appends), adopting it when the array owns
    /// its elements; reports MOX_CHILD_ADDED. Returns `index`.
    int InsertAt(int index, CmoxCell* element);
    /// Appends `element` (InsertAt(size, element)) and returns its index.
    int Add(CmoxCell* element);
    /// Removes the element at `index` and returns it; with `destroy` non-zero while recording,
    /// the undo record takes it (its parent kept) and destroys it unless the change is undone.
    /// With `destroy` zero the caller owns it and the array stops being its parent.
    CmoxCell* Remove(int index, int destroy);
    /// Removes the first element of that name (Remove(index, 0)); null if none.
    CmoxCell* Remove(const char* name);
    /// Removes the first element whose UserName() equals `userName`; null if none.
    CmoxCell* RemoveUser(const char* userName);
    /// Removes `element` if it is one (Remove(index, 0)); returns `element` either way.
    CmoxCell* Remove(CmoxCell* element);
    /// Destroys the element at `index`; while recording the undo record keeps it until it is
    /// certain that the removal stays.
    void DestroyElement(int index);
    /// Destroys the first element of that name; nothing if none.
    void DestroyElement(const char* name);
    /// Destroys the first element whose UserName() equals `userName`; nothing if none.
    void DestroyElementUser(const char* userName);
    /// Destroys `element` if it is one.
    void DestroyElement(CmoxCell* element);
    /// Empties the sequence without destroying or detaching anything; reports one
    /// MOX_CHILD_REMOVED unless the array was empty.
    void RemoveAll();
    /// Removes and destroys every element (while recording, the undo record keeps them until
    /// the removal is certain); reports one MOX_CHILD_REMOVED unless the array was empty.
    void RemoveAndDestroyAll();
    /// Destroys every element, last first, without reporting or recording anything.
    void DestroyElements();

  protected:
    /// After an undo or redo: the record takes the cells of its after snapshot that this array
    /// adopted and no longer holds.
    void CacheRemovedByUndo(CmoxArrayUndoInfo* record);

  private:
    friend void mox::detail::CheckInvariants(const CmoxArrayCell& array);

    // A record with the before snapshot while an undo context is attached, else null.
    CmoxArrayUndoInfo* BeginRecord();
    // Destroys a cell that was an element; the array's records forget it first.
    void DestroyCell(CmoxCell* cell);
    int FindIndexByName(const char* name) const;
    int FindIndexByUserName(const char* userName) const;

    std::vector<CmoxCell*> m_elements;
    std::string m_childSuffix;
    CmoxCell* m_findCache = nullptr;
    MoxCollNotifyPolicy m_notifyPolicy = ALL_COLLNOTIFY;
    int m_makeParent = 1;
    CCriticalSection m_lock;
    // The live records this array made, made with the first of them: they ask the array which
    // cells it holds before destroying any, and outlive it when it goes first.
    std::shared_ptr<mox::detail::ArrayRecordFamily> m_family;
};
