#pragma once
/// @file
/// Cmox: the per-thread engine (notification queue, transactions, undo contexts) and the
/// library's static name, text and keyword helpers.

#include <mox/core/MoxConstants.h>
#include <mox/platform/CCriticalSection.h>
#include <mox/platform/CObject.h>
#include <mox/platform/CThreadLocal.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CmoxArchive;
class CmoxCell;
class CmoxNotifyList;
class CmoxUndoContext;
class CmoxUndoList;

/// The engine of one thread: its current notify list, the recursive lock that guards it, the
/// notify lists saved by open sub-transactions, the attached undo context and the registry of
/// named undo contexts, and the transaction, recording-stop and suppression counters.
///
/// Each thread gets its own engine from `Cmox::Inst.GetData()`, made on first use and destroyed
/// when the thread exits. The engine owns its notify lists and the contexts of its registry.
/// Only the owning thread touches the counters and the registry; the lock is held for queueing
/// and for a whole delivery, so Update code may report further changes on the same thread.
class MOX_API Cmox : public CNoTrackObject {
  public:
    /// The per-thread holder: `Cmox::Inst.GetData()` is the calling thread's engine.
    static CThreadLocal<Cmox> Inst;
    /// A holder that yields the main thread's engine on every thread (null on another thread
    /// until the main thread has used its engine): pass it to EndWorkerThreadTransaction to hand
    /// a worker's changes to the main thread. The main thread must outlive the workers that
    /// hand changes to it.
    static CThreadLocal<Cmox> MainInst;

    Cmox();
    /// Drops queued notifications undelivered; also releases the lists left on the
    /// sub-transaction stack and the registered undo contexts, so a thread leaks nothing.
    ~Cmox() override;
    Cmox(const Cmox&) = delete;
    Cmox& operator=(const Cmox&) = delete;

    // ---- queueing and delivery ---------------------------------------------------------------
    /// Queues the change of `cell` for each of its dependents (under the lock).
    void AddNotify(CmoxCell* cell, unsigned long userData, MoxChangeReason reason);
    /// Delivers what the current list's policy allows (the lock is held throughout).
    void Notify();
    /// Removes `cell` from the current list and every list saved by a sub-transaction.
    void RemoveFromNotifyLists(CmoxCell* cell);

    // ---- suppression and recording --------------------------------------------------------------
    /// Nests suppression; the first level switches the current list to MOX_NOTIFY_NONE.
    void SuppressNotification();
    /// Ends one level; the last restores MOX_NOTIFY_IMMEDIATE and delivers if `notify`.
    void ResumeNotification(int notify);
    /// Stops Changed from recording, queueing and reporting (nests).
    void StopRecordingChanges() { ++m_recordStop; }
    /// Undoes one StopRecordingChanges; never goes below zero.
    void StartRecordingChanges() {
        if (m_recordStop > 0) --m_recordStop;
    }
    /// Non-zero while changes are recorded (the stop count is zero).
    int RecordChanges() const { return m_recordStop == 0; }

    // ---- transactions ---------------------------------------------------------------------------
    /// Opens a transaction. At level 0 a non-null `undoContext` is attached and opens its undo
    /// list with `description`, so every change until the outermost EndTransaction is recorded
    /// there as one undoable step. Inner calls only raise the level.
    void BeginTransaction(CmoxUndoContext* undoContext = nullptr,
                          const char* description = nullptr);
    /// Ends the innermost transaction; the outermost delivers every deferred notification and
    /// closes and detaches the attached undo context.
    void EndTransaction();
    /// Depth of nested transactions.
    int TransactionLevel() const { return m_transactionLevel; }
    /// Gives the following changes their own notify list until EndSubTransaction.
    void BeginSubTransaction();
    /// Delivers the sub-transaction's immediate entries and hands the rest to the enclosing
    /// list. Throws CInvalidArgException when no sub-transaction is open.
    void EndSubTransaction();
    /// Number of open sub-transactions.
    int SubTransactionLevel() const { return static_cast<int>(m_subTransactionLists.size()); }
    /// Ends a transaction on a worker thread: at level 1, merges this engine's pending
    /// notifications into the engine that `holder` gives this thread (under that engine's
    /// lock) and empties its own list; they are delivered when that engine next notifies.
    /// Does nothing at all on the main thread. With `MainInst` the changes go to the main
    /// thread; with `Inst` the target is this engine, and its notifications stay queued here.
    /// Throws CInvalidArgException when the holder yields no engine (nothing is dropped). An
    /// attached undo context stays attached with its list open: close it with a
    /// BeginTransaction and EndTransaction pair.
    void EndWorkerThreadTransaction(CThreadLocal<Cmox>& holder);

    // ---- undo -----------------------------------------------------------------------------------
    /// The attached undo context, or null.
    CmoxUndoContext* UndoContext() const { return m_undoContext; }
    /// The open undo list of the attached context (only while one is attached).
    CmoxUndoList& UndoList();
    /// The context whose undo or redo is running, or null.
    CmoxUndoContext* UndoContextInProgress() const { return m_undoContextInProgress; }
    /// Undoes `count` transactions of `context` (nothing for a null context).
    void Undo(CmoxUndoContext* context, int count);
    /// Redoes `count` transactions of `context` (nothing for a null context).
    void Redo(CmoxUndoContext* context, int count);
    /// The context registered under `name` (exact case), made and registered if absent.
    CmoxUndoContext* GetUndoContext(const char* name);
    /// Destroys the context registered under `name`, if any. Not while it is attached.
    void RemoveUndoContext(const char* name);
    /// Destroys every registered context.
    void RemoveAllUndoContexts();
    /// Takes `cell` out of every registered context's lists.
    void RemoveFromUndoLists(CmoxCell* cell);

    // ---- restore support ------------------------------------------------------------------------
    /// Class name of the child record a collection is restoring (modifiable).
    std::string& RestoreClassName() { return m_restoreClassName; }
    /// Sets the class name of the child record being restored.
    void RestoreClassName(const char* name) { m_restoreClassName = name != nullptr ? name : ""; }

    // ---- static name helpers --------------------------------------------------------------------
    /// out = "$" + userName + "$".
    static std::string& MakeUserName(std::string& out, const char* userName);
    /// out = markedName without its first and last character ("" when shorter than two).
    static std::string& ExtractUserName(std::string& out, const std::string& markedName);
    /// out = what follows the last path separator, or the whole path when there is none.
    static std::string& ExtractName(std::string& out, const std::string& path);
    /// Non-zero when the first character is the user-name delimiter.
    static int IsUserName(const std::string& s);

    // ---- static 64-bit text and engineering units -----------------------------------------------
    /// TRUE for the unit letters G M K m u n p.
    static int IsEngUnit(char c);
    /// v times the unit's factor in pico-units (0 for G and unknown letters, 10^12 for space).
    static __int64 EngValue(__int64 v, char c);
    /// Reads a signed decimal from the start of the text (0 when there is none).
    static __int64 TextToLongLong(const char* text);
    /// The value in signed decimal.
    static std::string LongLongToText(__int64 v);

    // ---- static policy keywords -----------------------------------------------------------------
    /// "NOTIFY_PARENT" or "NO_NOTIFY_PARENT".
    static std::string ConvertNotifyParent(int notifyParent);
    /// The flag of a notify-parent keyword; flags MOX_BAD_NOTIFY_PARENT and gives 1 if unknown.
    static int ConvertNotifyParent(const std::string& keyword, CmoxArchive& archive,
                                   CmoxCell* cell);
    /// "ADDDEL_COLLNOTIFY", "ALL_COLLNOTIFY", or "" for other values.
    static std::string ConvertCollNotifyPolicy(MoxCollNotifyPolicy policy);
    /// The policy of a keyword; flags MOX_BAD_COLLNOTIFY and gives 0 if unknown.
    static MoxCollNotifyPolicy ConvertCollNotifyPolicy(const std::string& keyword,
                                                       CmoxArchive& archive, CmoxCell* cell);
    /// "MAKE_PARENT" or "NO_MAKE_PARENT".
    static std::string ConvertMakeParent(int makeParent);
    /// The flag of a make-parent keyword; flags MOX_BAD_MAKE_PARENT and gives 1 if unknown.
    static int ConvertMakeParent(const std::string& keyword, CmoxArchive& archive, CmoxCell* cell);
    /// "MOX_FIXED_INCR", "MOX_125_INCR", "MOX_124_INCR", or "" for other values.
    static std::string ConvertIncrementPolicy(MoxIncrementPolicy policy);
    /// The policy of a keyword; flags MOX_BAD_INCR_POLICY and gives MOX_FIXED_INCR if unknown.
    static MoxIncrementPolicy ConvertIncrementPolicy(const std::string& keyword,
                                                     CmoxArchive& archive, CmoxCell* cell);

    // ---- diagnostics (no effect) ----------------------------------------------------------------
    /// Does nothing.
    static void DumpAll(CmoxCell* cell, CDumpContext& dc);
    /// Does nothing.
    static void DumpChangedList();
    /// Does nothing.
    static void DumpContents(CmoxCell* cell, CDumpContext& dc);
    /// Does nothing.
    static void DumpDependees(CmoxCell* cell, CDumpContext& dc);
    /// Does nothing.
    static void DumpDependents(CmoxCell* cell, CDumpContext& dc);
    /// Does nothing.
    static void DumpHierarchy(CmoxCell* cell, CDumpContext& dc);
    /// Does nothing.
    static void DumpNotifyList();

    /// The current notify list (for inspection; the engine owns it).
    const CmoxNotifyList& NotifyList() const { return *m_notifyList; }
    /// Notification suppression depth (may go negative on unpaired resumes).
    int SuppressionCount() const { return m_suppressCount; }

    /// The calling thread's engine; throws CInvalidArgException when none can be had.
    static Cmox& Current();

  private:
    friend class CmoxCell; // Changed holds the lock once and uses the queue directly

    void ReplayHistory(CmoxUndoContext* context, int count, bool undo);

    // Names this engine in the cells' queue bookkeeping (never 0, unique in the process).
    const std::uint32_t m_serial;
    CmoxNotifyList* m_notifyList;
    CCriticalSection m_lock;
    std::vector<CmoxNotifyList*> m_subTransactionLists;
    CmoxUndoContext* m_undoContext = nullptr;
    CmoxUndoContext* m_undoContextInProgress = nullptr;
    std::map<std::string, CmoxUndoContext*> m_undoContexts;
    int m_transactionLevel = 0;
    int m_recordStop = 0;
    std::string m_restoreClassName;
    int m_suppressCount = 0;
};
