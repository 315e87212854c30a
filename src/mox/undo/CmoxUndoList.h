#pragma once
/// @file
/// CmoxUndoList: one recorded transaction, at most one record per cell.

#include <mox/platform/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CmoxCell;
class CmoxCellList;
class CmoxUndoInfo;

/// One transaction's undo records, at most one per cell, and its description. Owns its records;
/// a record filed under several cells is destroyed once. Used by Changed, the undo context and
/// the engine on one thread; no lock.
class MOX_API CmoxUndoList {
  public:
    /// An empty list with a copy of `description`.
    explicit CmoxUndoList(const char* description);
    /// Destroys every distinct record once.
    virtual ~CmoxUndoList();
    CmoxUndoList(const CmoxUndoList&) = delete;
    CmoxUndoList& operator=(const CmoxUndoList&) = delete;

    /// Files `record` under `cell` and returns true; if the cell already has one, merges
    /// `record` into it, destroys `record` and returns false.
    bool AddUndoInfo(CmoxCell* cell, CmoxUndoInfo* record);
    /// The record filed under `cell`, or null.
    CmoxUndoInfo* GetUndoInfo(const CmoxCell* cell) const;
    /// True when at least one record is filed.
    bool HasUndoInfo() const { return m_live != 0; }
    /// Number of cells with a record.
    int GetCount() const { return static_cast<int>(m_live); }
    /// Removes every entry whose record is `record`; destroys nothing.
    void RemoveUndoInfo(CmoxUndoInfo* record);
    /// `cell` is being destroyed: drops and destroys its record, takes it off the in-progress
    /// list and tells the records that refer to cells.
    void RemoveCell(CmoxCell* cell);
    /// Undoes every record; appends each cell to `collected` unless it is there already.
    void Undo(CmoxCellList& collected);
    /// Redoes every record; appends each cell to `collected` unless it is there already.
    void Redo(CmoxCellList& collected);

    /// The description given at construction.
    std::string m_description;

  protected:
    /// Undo (or redo) each record, then PostUndo each cell inside an engine transaction.
    void UndoRedo(bool undo, CmoxCellList& collected);

  private:
    friend class CmoxCell; // a dying cell lets go of its hint (DetachCell)

    struct Entry {
        CmoxCell* cell; // null once removed
        CmoxUndoInfo* record;
        // Whether the cell's hint (its extras' undoList, undoSlot) names this entry. Only
        // then does the list touch the cell: the cells of lists that are not told of their
        // destruction may be dead.
        bool ownsHint;
    };
    struct Index;

    static std::vector<Entry>* SpareStorage();
    static std::vector<Entry> TakeSpareStorage();
    static void KeepSpareStorage(std::vector<Entry>& entries);

    std::ptrdiff_t Locate(const CmoxCell* cell) const;
    std::ptrdiff_t LocateDetached(const CmoxCell* cell) const;
    void Erase(std::size_t at);
    void Compact();
    void DetachCell(CmoxCell* cell);
    void CheckInvariants() const;

    // Filing order is kept so that undo and redo replay in a stable order. A cell finds its own
    // entry through its hint, so filing and lookup need no table; the index is built only when
    // a lookup cannot trust the hints (some cell's hint has moved on to another list).
    std::vector<Entry> m_entries;
    std::size_t m_live = 0;     // entries with a cell
    std::size_t m_holes = 0;    // entries without
    std::size_t m_detached = 0; // live entries whose cell's hint names another list, or none
    mutable std::unique_ptr<Index> m_index;
    std::vector<CmoxUndoInfo*> m_cellReferrers; // distinct records with ReferencesCells()
    int m_replaying = 0;                        // UndoRedo running: positions stay put
};
