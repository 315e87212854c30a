#include <mox/propagation/Cmox.h>

#include <mox/platform/CException.h>
#include <mox/propagation/CmoxNotifyList.h>
#include <mox/undo/CmoxUndoContext.h>

CThreadLocal<Cmox> Cmox::Inst;

Cmox::Cmox() : m_notifyList(new CmoxNotifyList(MOX_NOTIFY_IMMEDIATE, MOX_CUTOFF_PRIORITY)) {
    m_notifyList->Track();
}

Cmox::~Cmox() {
    // The contexts go first: they own cells whose destructors still reach this engine.
    RemoveAllUndoContexts();
    m_undoContext = nullptr;
    delete m_notifyList;
    m_notifyList = nullptr;
    for (CmoxNotifyList* saved : m_subTransactionLists)
        delete saved;
    m_subTransactionLists.clear();
}

Cmox& Cmox::Current() {
    Cmox* engine = Inst.GetData();
    if (engine == nullptr) AfxThrowInvalidArgException();
    return *engine;
}

void Cmox::AddNotify(CmoxCell* cell, unsigned long userData, MoxChangeReason reason) {
    CSingleLock lock(&m_lock, true);
    m_notifyList->Add(cell, userData, reason);
}

void Cmox::Notify() {
    CSingleLock lock(&m_lock, true);
    m_notifyList->Notify();
}

void Cmox::RemoveFromNotifyLists(CmoxCell* cell) {
    CSingleLock lock(&m_lock, true);
    // During teardown of the engine the current list is already gone.
    if (m_notifyList != nullptr) m_notifyList->Remove(cell);
    for (CmoxNotifyList* saved : m_subTransactionLists)
        saved->Remove(cell);
}

void Cmox::SuppressNotification() {
    if (++m_suppressCount == 1) {
        CSingleLock lock(&m_lock, true);
        m_notifyList->NotifyPolicy(MOX_NOTIFY_NONE);
    }
}

void Cmox::ResumeNotification(int notify) {
    if (m_suppressCount-- == 1) {
        CSingleLock lock(&m_lock, true);
        m_notifyList->NotifyPolicy(MOX_NOTIFY_IMMEDIATE);
        if (notify) m_notifyList->Notify();
    }
}
