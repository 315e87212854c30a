#pragma once
/// @file
/// CmoxCell: the base of every cell.

#include <mox/core/CmoxCellList.h>
#include <mox/core/MoxConstants.h>
#include <mox/platform/CObject.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CmoxArchive;
class CmoxChangedList;
class CmoxUndoInfo;
class CmoxCell;
class NotifyInfo;
class CmoxUndoList;

/// Function a cell can be given to run on Update instead of a derived class's override.
typedef void (*MoxUpdateFunction)(CmoxCell* cell, CmoxChangedList& changes);

namespace mox::detail {

/// What the notify lists keep inside each cell (internal: only the lists use it). Read for every
/// dependent of every change, so it sits in the cell itself; the undo lists' part, used far less
/// often, sits in the cell's extras (core/internal/CellExtras.h).
struct CellBookkeeping {
    /// The engine (its serial; 0: none yet) whose notify lists keep the two counters: the first
    /// whose list queued the cell or a change of it. Lists of another engine, on another thread
    /// (a worker queueing a main-thread dependent), leave them alone and find the cell's
    /// entries by look-up.
    std::atomic<std::uint32_t> queueOwner{0};
    /// Entries of the owner's lists that name the cell as the dependent.
    std::uint32_t queuedEntries = 0;
    /// Changed lists in the owner's lists that name the cell as a changed cell.
    std::uint32_t changeEntries = 0;

    /// True when engine `engine` keeps the counters (claiming them when nobody does yet).
    bool CountedBy(std::uint32_t engine) {
        std::uint32_t owner = queueOwner.load(std::memory_order_relaxed);
        if (owner == engine) return true; // the usual answer, first
        return owner == 0 &&
               queueOwner.compare_exchange_strong(owner, engine, std::memory_order_relaxed);
    }
};

struct CellExtras;

} // namespace mox::detail

/// The base of every cell: name, place in a parent/child tree, priority, flags, the two sides
/// of the dependency graph, and the virtual interface shared by all cells.
///
/// Ownership: a cell owns its name and lists, never the cells they point to, nor its parent.
/// Lifetime: destroying a cell removes it from both sides of the dependency graph, from the
/// calling thread's notify lists and from that thread's undo lists (in that order); it does not
/// detach itself from its parent (collections do that).
/// Notification: Changed() queues the dependents on the calling thread's engine and climbs to
/// the parent while the notify-parent flag allows; Update() receives the queued changes.
/// Threading: a cell belongs to one thread and takes no lock; destroy it on the thread whose
/// engine holds its notifications and undo records.
class MOX_API CmoxCell : public CObject {
    DECLARE_DYNAMIC(CmoxCell)

  public:
    /// A cell named "NoName" with the state priority.
    CmoxCell();
    /// A cell with the given name and priority.
    CmoxCell(const char* name, unsigned char priority);
    CmoxCell(const CmoxCell&) = delete;
    CmoxCell& operator=(const CmoxCell&) = delete;

    /// Sets priority and name, clears parent, update function and undo notify; keeps the flags
    /// and the dependency lists. Derived Initialize operations call it first.
    void Initialize(const char* name, unsigned char priority);

    ~CmoxCell() override;
    /// Not used by the library: cells are saved through Save and Restore.
    void Serialize(CArchive& ar) override;
    /// Diagnostics hook of the object base; checks nothing.
    void AssertValid() const override;
    /// Diagnostics hook of the object base; writes nothing.
    void Dump(CDumpContext& dc) const override;

    // ---- the cell's virtual interface, in its fixed order ----------------------------------
    /// True when both cells have the same run-time class; value cells compare values.
    virtual int operator==(const CmoxCell& other) const;
    /// The negation of operator== (called virtually).
    virtual int operator!=(const CmoxCell& other) const;
    /// Byte setter; the base stores nothing and returns MOX_VALUE_SET.
    virtual MoxSetValue Value(unsigned char value);
    /// 64-bit setter; the base stores nothing and returns MOX_VALUE_SET.
    virtual MoxSetValue Value(__int64 value);
    /// String setter; the base stores nothing and returns MOX_VALUE_SET.
    virtual MoxSetValue Value(const char* value);
    /// Boolean setter; the base stores nothing and returns MOX_VALUE_SET.
    virtual MoxSetValue Value(int value);
    /// Double setter; the base stores nothing and returns MOX_VALUE_SET.
    virtual MoxSetValue Value(double value);
    /// Long setter; the base stores nothing and returns MOX_VALUE_SET.
    virtual MoxSetValue Value(long value);
    /// Told of the changes of the cells this one depends on; the base runs the update function.
    virtual void Update(CmoxChangedList& changes);
    /// Reports a change of this cell: files `undo`, queues the dependents, climbs to the parent,
    /// and delivers when `notifyNow` is set.
    virtual void Changed(unsigned long userData, MoxChangeReason reason, int notifyNow,
                         CmoxUndoInfo* undo);
    /// 1 for value cells, 0 here.
    virtual int IsPrimitive();
    /// Sets the user name; a base cell has none and ignores it.
    virtual void UserName(const char* userName);
    /// The user name; empty for a base cell.
    virtual const char* UserName();
    /// Whether the cell has a user name; 0 here.
    virtual int HasUserName();
    /// Where a class makes its dependencies; empty here.
    virtual void CreateDependencies();
    /// Removes the cell's dependencies; RemoveAllDependees here.
    virtual void DestroyDependencies();
    /// Handles an application message; returns null here.
    virtual void* ProcessMoxMessage(int message, long param, void* data);
    /// Processes a message here (collections also pass it to every child).
    virtual void PropogateMoxMessage(int message, long param, void* data);
    /// Sets the value from the default; empty here.
    virtual void MakeDefaultCurrent();
    /// Makes the value the default; empty here.
    virtual void MakeCurrentDefault();
    /// Sets the priority (collections also pass it down).
    virtual void PropogatePriority(unsigned char priority);
    /// Puts back the state before the recorded change; empty here.
    virtual void Undo(CmoxUndoInfo* undo);
    /// Puts back the state after the recorded change; empty here.
    virtual void Redo(CmoxUndoInfo* undo);
    /// Runs after all cells of an undo list were undone or redone; empty here.
    virtual void PostUndo(CmoxUndoInfo* undo);
    /// True while an undo or redo on this thread is replaying a record of this cell.
    virtual bool IsUndoInProgress();
    /// Sets the undo-notify flag.
    virtual void UndoNotify(int undoNotify);
    /// Whether a cell at or above the cutoff is still notified during undo and redo.
    virtual int UndoNotify();
    /// Hook for derived classes; 0 here and never called by the library.
    virtual int Match(CmoxCell* cell, int flags);
    /// Merges two user data words for this cell: bitwise or here.
    virtual unsigned long CombineUserData(unsigned long existing, unsigned long added);
    /// The child of that name; null here.
    virtual CmoxCell* FindChild(const char* name);
    /// The child with that user name; null here.
    virtual CmoxCell* FindChildUser(const char* userName);
    /// FindChild(child)->FindChild(grandChild), null at the first miss.
    virtual CmoxCell* FindGrandChild(const char* child, const char* grandChild);
    /// The same over three levels.
    virtual CmoxCell* FindGreatGrandChild(const char* child, const char* grandChild,
                                          const char* greatGrandChild);
    /// Resolves a relative path ("\A\B", ".." for the parent) from this cell; null if absent.
    virtual CmoxCell* FindDescendent(const char* path);
    /// As FindDescendent, where a component "$label$" names a child by user name.
    virtual CmoxCell* FindDescendentUser(const char* path);
    /// Writes the cell's record frame to the archive.
    virtual void Save(CmoxArchive& archive);
    /// Reads the cell's record body; empty here.
    virtual void Restore(CmoxArchive& archive);
    /// Reads the user-name token of the record frame.
    virtual void RestoreUserName(CmoxArchive& archive);

    // ---- fields ------------------------------------------------------------------------------
    /// The name (modifiable).
    std::string& Name();
    /// The name.
    const std::string& Name() const { return m_name; }
    /// Sets the name.
    void Name(const char* name);
    /// The parent collection, or null.
    CmoxCell* Parent() const { return m_parent; }
    /// Stores the parent pointer (collections call it when they adopt a child).
    void Parent(CmoxCell* parent) { m_parent = parent; }
    /// The notification priority.
    unsigned char Priority() const { return m_priority; }
    /// Sets the notification priority.
    void Priority(unsigned char priority);
    /// Whether a parent collection saves this cell (0 or 1).
    int Savable() const { return m_savable; }
    /// Sets the savable flag (any non-zero value sets it).
    void Savable(int savable) { m_savable = savable != 0; }
    /// Whether changes are reported to the parent (0 or 1).
    int NotifyParent() const { return m_notifyParent; }
    /// Sets the notify-parent flag (any non-zero value sets it).
    void NotifyParent(int notifyParent) { m_notifyParent = notifyParent != 0; }
    /// The update function, or null.
    MoxUpdateFunction UpdateFunction() const;
    /// Sets the update function (null for none).
    void UpdateFunction(MoxUpdateFunction fn);

    /// "\" + each ancestor's name + "\" ... + this cell's name.
    std::string PathName() const;
    /// Diagnostics hook; always the empty string.
    std::string DebugName() const;
    /// The root of the tree (this cell when it has no parent).
    CmoxCell* FindRoot();
    /// The ancestor-or-self whose parent is the root; this cell when it has no parent.
    CmoxCell* FindFamily();
    /// The parent's child of that name; null when this cell has no parent.
    CmoxCell* FindSibling(const char* name);

    // ---- dependencies ------------------------------------------------------------------------
    /// Makes `cell` depend on this cell (once).
    void AddDependent(CmoxCell* cell);
    /// Makes this cell depend on `cell`.
    void MakeDependentOn(CmoxCell* cell);
    /// Makes the parent depend on this cell; nothing when there is no parent.
    void AddParentAsDependent();
    /// Removes `cell` from the dependents (both sides); nothing if it is not one.
    void RemoveDependent(CmoxCell* cell);
    /// Stops this cell depending on `cell`.
    void RemoveDependencyOn(CmoxCell* cell);
    /// Removes every dependent (both sides).
    void RemoveAllDependents();
    /// Stops this cell depending on anything.
    void RemoveAllDependees();
    /// Non-zero when `cell` is a dependent.
    int HasDependent(CmoxCell* cell) const;
    /// The dependents, in the order they were added.
    const CmoxCellList& GetDependents() const { return m_dependents; }
    /// The dependees, in the order the dependencies were made.
    const CmoxCellList& GetDependees() const;
    /// The first dependee with that name, or null.
    CmoxCell* FindDependee(const char* name) const;
    /// The first dependee, or null when there is none.
    CmoxCell* FindFirstDependee() const;

    // ---- class-wide id counter -----------------------------------------------------------------
    /// Increments the class-wide counter and returns it (1 after InitializeCellId). Not locked.
    static int NewCellId();
    /// Sets the counter back to 0.
    static void InitializeCellId();

    // ---- plain-value conveniences ---------------------------------------------------------------
    /// Calls Value(long); the result is dropped.
    const CmoxCell& operator=(long value);
    /// Calls Value(double); the result is dropped.
    const CmoxCell& operator=(double value);
    /// Calls Value(int); the result is dropped.
    const CmoxCell& operator=(int value);
    /// Calls Value(const char*); the result is dropped.
    const CmoxCell& operator=(const char* value);
    /// Calls Value(__int64); the result is dropped.
    const CmoxCell& operator=(__int64 value);
    /// The value of a long cell (0 for a cell of another kind).
    operator long();
    /// The value of a double cell (0.0 for a cell of another kind).
    operator double();
    /// The value of a 64-bit cell (0 for a cell of another kind).
    operator __int64();
    /// The text of a string cell ("" for a cell of another kind).
    operator const char*();
    /// The value of a boolean cell, 0 or 1 (0 for a cell of another kind).
    operator int();

  protected:
    /// The body of every Changed: unless recording is stopped, files `undo` when `fileUndo` is
    /// set and the engine records into an undo context (else destroys it), queues the
    /// dependents when `queueDependents` is set, tells the parent while the notify-parent flag
    /// allows, and delivers when `notifyNow` is set.
    void ReportChange(unsigned long userData, MoxChangeReason reason, int notifyNow,
                      CmoxUndoInfo* undo, bool fileUndo, bool queueDependents);
    /// Appends `cell` to the dependees (the mirror side of AddDependent).
    void AddDependee(CmoxCell* cell);
    /// Removes `cell` from the dependees if it is there.
    void RemoveDependee(CmoxCell* cell);

  private:
    friend class CmoxNotifyList;
    friend class CmoxChangedList;
    friend class CmoxUndoList;

    static int m_idgen;

    // The extras, made on first use.
    mox::detail::CellExtras& Extras();

    // Laid out to keep a value cell small (a large tree holds many) and to let queueing and
    // delivery, which read the priority and the bookkeeping of every dependent, touch one cache
    // line per dependent: flags are bytes, rarely used fields live in the extras.
    unsigned char m_priority = 150;
    // Flags stored as 0 or 1: the setters take any int, as flags do.
    bool m_notifyParent = true;
    bool m_savable = true;
    bool m_undoNotify = false;
    mox::detail::CellBookkeeping m_bookkeeping;
    CmoxCellList m_dependents;
    CmoxCell* m_parent = nullptr;
    std::unique_ptr<mox::detail::CellExtras> m_extras;
    std::string m_name;
};
