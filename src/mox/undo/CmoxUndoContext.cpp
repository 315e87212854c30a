#include <mox/undo/CmoxUndoContext.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/CmoxCellList.h>
#include <mox/propagation/Cmox.h>
#include <mox/propagation/CmoxNotifyList.h>
#include <mox/propagation/internal/ScopedTransaction.h>
#include <mox/undo/CmoxUndoInfo.h>
#include <mox/undo/CmoxUndoList.h>

#include <memory>
#include <utility>

CmoxUndoContext::CmoxUndoContext() : m_changeNotifier(new CmoxCell) {}

CmoxUndoContext::~CmoxUndoContext() {
    ClearAllLists();
    delete m_changeNotifier;
    delete m_undoDependents;
}

void CmoxUndoContext::BeginTransaction(const char* description) {
    if (m_openList == nullptr) m_openList = new CmoxUndoList(description);
}

void CmoxUndoContext::EndTransaction() {
    if (m_openList == nullptr) return;
    if (!m_openList->HasUndoInfo()) {
        delete m_openList;
        m_openList = nullptr;
        return;
    }
    while (static_cast<int>(m_undoStack.size()) >= m_maxDepth) {
        // Trimming the oldest list makes the start of the history unreachable too.
        if (m_cleanMark == nullptr) m_cleanLost = true;
        CmoxUndoList* oldest = m_undoStack.back();
        m_undoStack.pop_back();
        DropList(oldest);
    }
    m_undoStack.push_front(m_openList);
    // Only at the end: a change that a client records while being told still joins this list.
    // Also when a client's Update throws, since the stack owns the list now.
    struct CloseOnExit {
        CmoxUndoList*& open;
        ~CloseOnExit() { open = nullptr; }
    } close{m_openList};
    ClearRedo();
    UpdateDescriptions();
    NotifyClients();
}

void CmoxUndoContext::DiscardTransaction() {
    if (m_openList == nullptr) return;
    // The engine may still have this context attached: it needs an open list to record into.
    auto fresh = std::make_unique<CmoxUndoList>(m_openList->m_description.c_str());
    std::unique_ptr<CmoxUndoList> discarded(std::exchange(m_openList, fresh.release()));
    delete m_undoDependents;
    m_undoDependents = new CmoxCellList;
    struct EndOnExit {
        CmoxUndoList*& inProgress;
        CmoxCellList*& dependents;
        ~EndOnExit() {
            inProgress = nullptr;
            delete dependents;
            dependents = nullptr;
        }
    } end{m_listInProgress, m_undoDependents};
    m_listInProgress = discarded.get();
    discarded->Undo(*m_undoDependents);
    m_listInProgress = nullptr;
    NotifyDependentsFrom(std::deque<CmoxUndoList*>{discarded.get()});
}

void CmoxUndoContext::MarkClean() {
    const bool wasClean = IsClean();
    m_cleanMark = m_undoStack.empty() ? nullptr : m_undoStack.front();
    m_cleanLost = false;
    if (!wasClean) NotifyClients();
}

bool CmoxUndoContext::IsClean() const {
    const CmoxUndoList* head = m_undoStack.empty() ? nullptr : m_undoStack.front();
    return !m_cleanLost && head == m_cleanMark;
}

void CmoxUndoContext::DropList(CmoxUndoList* list) {
    if (list == m_cleanMark) m_cleanLost = true;
    delete list;
}

void CmoxUndoContext::Undo(int count) {
    UndoRedo(count, true);
}
void CmoxUndoContext::Redo(int count) {
    UndoRedo(count, false);
}

void CmoxUndoContext::UndoRedo(int count, bool undo) {
    std::deque<CmoxUndoList*>& source = undo ? m_undoStack : m_redoStack;
    std::deque<CmoxUndoList*>& target = undo ? m_redoStack : m_undoStack;
    if (count < 1) return;
    delete m_undoDependents;
    m_undoDependents = new CmoxCellList;
    const int n = std::min<int>(count, static_cast<int>(source.size()));

    {
        mox::detail::ScopedTransaction transaction(Cmox::Current());
        // Declared after the transaction, so it is cleared before the transaction ends.
        struct ClearOnExit {
            CmoxUndoList*& inProgress;
            ~ClearOnExit() { inProgress = nullptr; }
        } clear{m_listInProgress};
        for (int i = 0; i < n; ++i) {
            CmoxUndoList* list = source.front();
            source.pop_front();
            m_listInProgress = list;
            target.push_front(list);
            if (undo)
                list->Undo(*m_undoDependents);
            else
                list->Redo(*m_undoDependents);
            m_listInProgress = nullptr;
        }
        NotifyUndoDependents(undo);
    }
    UpdateDescriptions();
    NotifyClients();
    delete m_undoDependents;
    m_undoDependents = nullptr;
}

void CmoxUndoContext::NotifyUndoDependents(bool undo) {
    NotifyDependentsFrom(undo ? m_redoStack : m_undoStack);
}

void CmoxUndoContext::NotifyDependentsFrom(const std::deque<CmoxUndoList*>& searched) {
    if (m_undoDependents == nullptr) return;
    CmoxNotifyList privateList(MOX_NOTIFY_IMMEDIATE, MOX_CUTOFF_PRIORITY);
    privateList.NotifyPolicy(MOX_NOTIFY_ALL);
    while (CmoxCell* cell = m_undoDependents->RemoveHead()) {
        // A cell nobody depends on has nobody to tell: no need to find its record.
        if (cell->GetDependents().IsEmpty()) continue;
        for (CmoxUndoList* list : searched) {
            CmoxUndoInfo* record = list->GetUndoInfo(cell);
            if (record == nullptr) continue;
            privateList.AddUndoNotification(cell, record->UserData(), record->Reason());
            // Most undone cells have no dependent to tell: skip the delivery run for them.
            if (!privateList.GetList().IsEmpty()) {
                privateList.Notify();
                privateList.RemoveAll();
            }
            break;
        }
    }
}

void CmoxUndoContext::NotifyClients() {
    CmoxNotifyList privateList(MOX_NOTIFY_IMMEDIATE, MOX_CUTOFF_PRIORITY);
    privateList.AddDeferred(m_changeNotifier, 0, MOX_VALUE_CHANGED);
    mox::detail::ScopedTransaction transaction(Cmox::Current());
    privateList.NotifyDeferredCells();
}

void CmoxUndoContext::UpdateDescriptions() {
    m_undoDescriptions.clear();
    for (const CmoxUndoList* list : m_undoStack)
        m_undoDescriptions.push_back(list->m_description);
    m_redoDescriptions.clear();
    for (const CmoxUndoList* list : m_redoStack)
        m_redoDescriptions.push_back(list->m_description);
}

void CmoxUndoContext::ClearUndo() {
    if (!m_undoStack.empty() && m_cleanMark == nullptr) m_cleanLost = true;
    while (!m_undoStack.empty()) {
        CmoxUndoList* list = m_undoStack.front();
        m_undoStack.pop_front();
        DropList(list);
    }
}

void CmoxUndoContext::ClearRedo() {
    while (!m_redoStack.empty()) {
        CmoxUndoList* list = m_redoStack.front();
        m_redoStack.pop_front();
        DropList(list);
    }
}

void CmoxUndoContext::ClearAllLists() {
    ClearRedo();
    ClearUndo();
    delete m_openList;
    m_openList = nullptr;
    // An empty history is clean, as a new one is.
    m_cleanMark = nullptr;
    m_cleanLost = false;
}

void CmoxUndoContext::ResetUndo() {
    ClearAllLists();
    UpdateDescriptions();
    NotifyClients();
}

void CmoxUndoContext::RemoveCell(CmoxCell* cell) {
    if (m_openList != nullptr) m_openList->RemoveCell(cell);
    for (CmoxUndoList* list : m_undoStack)
        list->RemoveCell(cell);
    for (CmoxUndoList* list : m_redoStack)
        list->RemoveCell(cell);
    if (m_undoDependents != nullptr) m_undoDependents->Remove(cell);
}
