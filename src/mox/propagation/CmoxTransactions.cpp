#include <mox/propagation/Cmox.h>

#include <mox/platform/CException.h>
#include <mox/platform/MainThread.h>
#include <mox/propagation/CmoxNotifyList.h>
#include <mox/propagation/internal/UndoReplay.h>
#include <mox/undo/CmoxUndoContext.h>
#include <mox/undo/CmoxUndoList.h>

#include <memory>

namespace mox::detail {
std::atomic<int> g_undoReplays{0};
} // namespace mox::detail

namespace {

// Sets the engine's undo context in progress for one Undo or Redo call and counts the call in
// g_undoReplays; both are put back on every exit.
class UndoReplayScope {
  public:
    UndoReplayScope(CmoxUndoContext*& field, CmoxUndoContext* context)
        : m_field(field), m_previous(field) {
        m_field = context;
        mox::detail::g_undoReplays.fetch_add(1, std::memory_order_acq_rel);
    }
    ~UndoReplayScope() {
        mox::detail::g_undoReplays.fetch_sub(1, std::memory_order_acq_rel);
        m_field = m_previous;
    }
    UndoReplayScope(const UndoReplayScope&) = delete;
    UndoReplayScope& operator=(const UndoReplayScope&) = delete;

  private:
    CmoxUndoContext*& m_field;
    CmoxUndoContext* m_previous;
};

} // namespace

void Cmox::BeginTransaction(CmoxUndoContext* undoContext, const char* description) {
    // Attaching at the outermost level, together with opening the context's list, guarantees
    // that UndoList() is valid for every change the transaction records.
    if (m_transactionLevel == 0 && undoContext != nullptr && m_undoContext == nullptr) {
        m_undoContext = undoContext;
        undoContext->BeginTransaction(description != nullptr ? description : "");
    }
    ++m_transactionLevel;
}

void Cmox::EndTransaction() {
    if (m_transactionLevel == 1) {
        {
            CSingleLock lock(&m_lock, true);
            m_notifyList->NotifyDeferredCells();
        }
        if (m_undoContext != nullptr) {
            // Still attached while it tells its clients, so their changes land in its list.
            m_undoContext->EndTransaction();
            m_undoContext = nullptr;
        }
    }
    --m_transactionLevel;
}

CmoxUndoList& Cmox::UndoList() {
    return m_undoContext->UndoList();
}

void Cmox::BeginSubTransaction() {
    CSingleLock lock(&m_lock, true);
    auto fresh = std::make_unique<CmoxNotifyList>(MOX_NOTIFY_IMMEDIATE, MOX_CUTOFF_PRIORITY);
    fresh->Track(m_serial);
    m_subTransactionLists.push_back(m_notifyList);
    m_notifyList = fresh.release();
}

void Cmox::EndSubTransaction() {
    CSingleLock lock(&m_lock, true);
    m_notifyList->NotifyImmediateCells();
    if (m_subTransactionLists.empty()) {
        lock.Unlock();
        AfxThrowInvalidArgException();
    }
    CmoxNotifyList* enclosing = m_subTransactionLists.back();
    m_subTransactionLists.pop_back();
    enclosing->Merge(*m_notifyList);
    delete m_notifyList;
    m_notifyList = enclosing;
}

void Cmox::EndWorkerThreadTransaction(CThreadLocal<Cmox>& holder) {
    if (MoxIsMainThread()) return;
    if (m_transactionLevel == 1) {
        Cmox* target = holder.GetData();
        if (target == nullptr) AfxThrowInvalidArgException();
        // Handed to itself (the holder gives this thread's own engine), the list already is
        // where the notifications should wait: emptying it would drop them all.
        if (target != this) {
            {
                CSingleLock lock(&target->m_lock, true);
                target->m_notifyList->Merge(*m_notifyList);
            }
            m_notifyList->RemoveAll();
        }
    }
    --m_transactionLevel;
}

void Cmox::ReplayHistory(CmoxUndoContext* context, int count, bool undo) {
    if (context == nullptr) return;
    UndoReplayScope scope(m_undoContextInProgress, context);
    if (undo)
        context->Undo(count);
    else
        context->Redo(count);
}

void Cmox::Undo(CmoxUndoContext* context, int count) {
    ReplayHistory(context, count, true);
}
void Cmox::Redo(CmoxUndoContext* context, int count) {
    ReplayHistory(context, count, false);
}

CmoxUndoContext* Cmox::GetUndoContext(const char* name) {
    const std::string key = name != nullptr ? name : "";
    auto found = m_undoContexts.find(key);
    if (found != m_undoContexts.end()) return found->second;
    auto context = std::make_unique<CmoxUndoContext>();
    CmoxUndoContext* raw = context.get();
    m_undoContexts.emplace(key, context.release());
    return raw;
}

void Cmox::RemoveUndoContext(const char* name) {
    auto found = m_undoContexts.find(name != nullptr ? name : "");
    if (found == m_undoContexts.end()) return;
    CmoxUndoContext* context = found->second;
    // Out of the registry before it dies: its change notifier's destructor reaches
    // RemoveFromUndoLists, which walks the registry.
    m_undoContexts.erase(found);
    if (m_undoContext == context) m_undoContext = nullptr;
    delete context;
}

void Cmox::RemoveAllUndoContexts() {
    while (!m_undoContexts.empty())
        RemoveUndoContext(m_undoContexts.begin()->first.c_str());
}

void Cmox::RemoveFromUndoLists(CmoxCell* cell) {
    for (auto& named : m_undoContexts)
        named.second->RemoveCell(cell);
}
