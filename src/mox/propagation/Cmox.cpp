#include <mox/propagation/Cmox.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/internal/Compiler.h>
#include <mox/platform/CException.h>
#include <mox/platform/MainThread.h>
#include <mox/propagation/CmoxNotifyList.h>
#include <mox/undo/CmoxUndoContext.h>

#include <atomic>

CThreadLocal<Cmox> Cmox::Inst;

namespace {

// The main thread's engine, for MainInst: published by the main thread itself when it first
// asks for its engine (an engine of another holder on that thread is not it), read by workers.
std::atomic<Cmox*> g_mainEngine{nullptr};

CNoTrackObject* MainThreadEngine() {
    if (!MoxIsMainThread()) return g_mainEngine.load(std::memory_order_acquire);
    Cmox* engine = Cmox::Inst.GetData();
    g_mainEngine.store(engine, std::memory_order_release);
    return engine;
}

} // namespace

CThreadLocal<Cmox> Cmox::MainInst(MainThreadEngine);

namespace {
// This thread's engine as Inst last gave it: every change asks for the engine several times,
// and one thread-local load is much cheaper than the holder's slot lookup. Only Current() sets
// it; the engine clears it when it dies. The initial-exec model makes the load a single
// instruction instead of a call into the dynamic linker; it costs 8 bytes of the static TLS
// space that the C library keeps for this purpose even for libraries loaded with dlopen.
MOX_INITIAL_EXEC_TLS thread_local Cmox* t_current = nullptr;
} // namespace

namespace {
// Process-wide, because a cell records which engine keeps its queue counters and engines of
// different threads must never be taken for one another. 32 bits: wraps after four billion
// engines, one per thread that ever queued.
std::atomic<std::uint32_t> g_engineSerials{0};
} // namespace

Cmox::Cmox()
    : m_serial(g_engineSerials.fetch_add(1, std::memory_order_relaxed) + 1),
      m_notifyList(new CmoxNotifyList(MOX_NOTIFY_IMMEDIATE, MOX_CUTOFF_PRIORITY)) {
    m_notifyList->Track(m_serial);
}

Cmox::~Cmox() {
    // While it dies the engine is still found through Inst (its cells reach it), but it must
    // not stay cached afterwards: cleared before and after.
    if (t_current == this) t_current = nullptr;
    Cmox* self = this;
    g_mainEngine.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
    // The contexts go first: they own cells whose destructors still reach this engine.
    RemoveAllUndoContexts();
    m_undoContext = nullptr;
    delete m_notifyList;
    m_notifyList = nullptr;
    for (CmoxNotifyList* saved : m_subTransactionLists)
        delete saved;
    m_subTransactionLists.clear();
    if (t_current == this) t_current = nullptr;
}

Cmox& Cmox::Current() {
    if (Cmox* cached = t_current) return *cached;
    Cmox* engine = Inst.GetData();
    if (engine == nullptr) AfxThrowInvalidArgException();
    t_current = engine;
    if (MoxIsMainThread()) g_mainEngine.store(engine, std::memory_order_release);
    return *engine;
}

void Cmox::AddNotify(CmoxCell* cell, unsigned long userData, MoxChangeReason reason) {
    // A cell nobody depends on queues nothing; most changed cells are such leaves.
    if (cell->GetDependents().IsEmpty()) return;
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
