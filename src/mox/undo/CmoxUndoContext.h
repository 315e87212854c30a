#pragma once
/// @file
/// CmoxUndoContext: a named history of transactions with undo and redo stacks.

#include <mox/platform/types.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

class CmoxCell;
class CmoxCellList;
class CmoxUndoList;

/// A history of recorded transactions: an undo stack and a redo stack of undo lists (newest at
/// the head), the open list of the transaction being recorded, the descriptions of both stacks,
/// and a change-notifier cell whose dependents at or below the cutoff priority hear of every
/// change of the history. Owns its lists and its change notifier. Used on one thread, no lock.
class MOX_API CmoxUndoContext {
  public:
    CmoxUndoContext();
    virtual ~CmoxUndoContext();
    CmoxUndoContext(const CmoxUndoContext&) = delete;
    CmoxUndoContext& operator=(const CmoxUndoContext&) = delete;

    /// Upper bound of the undo stack (25 by default).
    int MaximumUndoDepth() const { return m_maxDepth; }
    /// Sets the bound when `depth` > 0; trimming happens at the next recorded transaction.
    void MaximumUndoDepth(int depth) {
        if (depth > 0) m_maxDepth = depth;
    }
    /// Opens a list with `description` unless one is open.
    void BeginTransaction(const char* description);
    /// Closes the open list onto the undo stack (or drops it if it recorded nothing).
    void EndTransaction();
    /// Undoes the newest `count` transactions.
    void Undo(int count);
    /// Redoes the `count` most recently undone transactions.
    void Redo(int count);
    /// Drops every list, then tells the clients.
    void ResetUndo();
    /// Takes `cell` out of every list of the context.
    void RemoveCell(CmoxCell* cell);
    /// Tells the change notifier's dependents at or below the cutoff that the history changed.
    void NotifyClients();

    /// The cell whose dependents hear of history changes (owned by the context).
    CmoxCell* GetChangeNotifier() const { return m_changeNotifier; }
    /// Descriptions of the undo stack, newest first.
    std::vector<std::string>& UndoDescriptions() { return m_undoDescriptions; }
    /// Descriptions of the redo stack, most recently undone first.
    std::vector<std::string>& RedoDescriptions() { return m_redoDescriptions; }
    /// The list being undone or redone right now, or null.
    CmoxUndoList* UndoListInProgress() const { return m_listInProgress; }
    /// The open list (valid only while one is open).
    CmoxUndoList& UndoList() { return *m_openList; }
    /// Whether a list is open.
    bool HasOpenList() const { return m_openList != nullptr; }

    /// Undoes what the open list recorded, with the notifications Undo gives, and drops it; an
    /// empty list with the same description stays open in its place. Neither stack, the
    /// descriptions nor the clients change. The engine's UndoContextInProgress() stays null.
    void DiscardTransaction();

    /// Marks the present position of the history as clean (typically: the document was saved).
    /// Tells the clients when the clean state changes.
    void MarkClean();
    /// True while the history stands where MarkClean was last called (a new or reset context
    /// is clean). Once the marked transaction is trimmed away, or a transaction is recorded
    /// while the mark is undone, it stays false until the next MarkClean.
    bool IsClean() const;

  protected:
    /// Non-zero when there is something to undo.
    int CanUndo() const { return !m_undoStack.empty(); }
    /// Non-zero when there is something to redo.
    int CanRedo() const { return !m_redoStack.empty(); }
    /// Destroys every list of the undo stack.
    void ClearUndo();
    /// Destroys every list of the redo stack.
    void ClearRedo();
    /// Both stacks and the open list.
    void ClearAllLists();
    /// Moves `count` lists from one stack to the other, undoing or redoing them.
    void UndoRedo(int count, bool undo);
    /// Tells the dependents of each undone or redone cell.
    void NotifyUndoDependents(bool undo);
    /// Rebuilds both description arrays from the stacks.
    void UpdateDescriptions();

  private:
    void NotifyDependentsFrom(const std::deque<CmoxUndoList*>& searched);
    void DropList(CmoxUndoList* list);

    int m_maxDepth = 25;
    CmoxUndoList* m_openList = nullptr;
    CmoxUndoList* m_listInProgress = nullptr;
    std::deque<CmoxUndoList*> m_undoStack;
    std::deque<CmoxUndoList*> m_redoStack;
    std::vector<std::string> m_undoDescriptions;
    std::vector<std::string> m_redoDescriptions;
    CmoxCell* m_changeNotifier;
    CmoxCellList* m_undoDependents = nullptr;
    // The clean position: the undo stack's head when marked (null: the start of the history).
    // Compared by address only, and only while m_cleanLost is false: a dropped mark sets it.
    const CmoxUndoList* m_cleanMark = nullptr;
    bool m_cleanLost = false;
};
