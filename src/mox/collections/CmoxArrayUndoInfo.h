#pragma once
/// @file
/// CmoxArrayUndoInfo: the undo record of an array cell's structural changes.

#include <mox/undo/CmoxUndoInfo.h>

#include <memory>
#include <vector>

class CmoxArrayCell;
class CmoxCell;
namespace mox::detail {
struct ArrayRecordFamily;
}

/// Snapshots of an array cell's element sequence before the first and after the last change of
/// one transaction, plus the elements whose destruction waits on the record's fate.
///
/// Ownership: the record owns its removed-by-undo elements (elements the transaction added and
/// an undo took out again) and the destroyed elements (elements the transaction destroyed)
/// while the change is in force; an element that the transaction destroyed and that the undo
/// put back belongs to the array again. The snapshots only borrow. Whatever the bookkeeping
/// says, the record never destroys a cell that its array holds at that moment, nor a
/// removed-by-undo cell that someone has since taken out of the array's care (its parent is no
/// longer the array).
/// Lifetime: made by the array while an undo context is attached, merged with later records of
/// the same transaction, owned by its undo list. Every undo list tells it of destroyed cells
/// (RemoveCell), so it never keeps a dangling pointer.
/// Threading: used on the thread of the array's engine; the array's lock guards Undo and Redo.
class MOX_API CmoxArrayUndoInfo : public CmoxUndoInfo {
  public:
    /// An empty record that refers to cells (so undo lists tell it of destroyed cells).
    CmoxArrayUndoInfo();
    /// Destroys the elements it owns (see the class comment).
    ~CmoxArrayUndoInfo() override;

    /// Base merge, then takes `later`'s after snapshot and its destroyed elements.
    void Merge(CmoxUndoInfo* later) override;
    /// Drops every occurrence of `cell` from the snapshots and the owned arrays.
    void RemoveCell(CmoxCell* cell) override;

    /// The before snapshot becomes a copy of `elements`.
    void SaveBefore(const std::vector<CmoxCell*>& elements) { m_before = elements; }
    /// The after snapshot becomes a copy of `elements`.
    void SaveAfter(const std::vector<CmoxCell*>& elements) { m_after = elements; }
    /// Hands a destroyed element to the record (once).
    void AddDestroyed(CmoxCell* element);

    /// The element sequence before the transaction.
    const std::vector<CmoxCell*>& BeforeElements() const { return m_before; }
    /// The element sequence after the transaction.
    const std::vector<CmoxCell*>& AfterElements() const { return m_after; }
    /// Elements the transaction destroyed.
    const std::vector<CmoxCell*>& DestroyedElements() const { return m_destroyed; }
    /// Elements the transaction added that an undo took out again (owned).
    const std::vector<CmoxCell*>& RemovedByUndoElements() const { return m_removedByUndo; }
    /// True while the recorded change is undone.
    bool Undone() const { return m_undone; }

  private:
    friend class CmoxArrayCell;

    std::vector<CmoxCell*> m_before;
    std::vector<CmoxCell*> m_after;
    std::vector<CmoxCell*> m_removedByUndo;
    std::vector<CmoxCell*> m_destroyed;
    // The array that made it and that array's other live records (null for a record made
    // elsewhere).
    std::shared_ptr<mox::detail::ArrayRecordFamily> m_family;
    bool m_undone = false;
};
