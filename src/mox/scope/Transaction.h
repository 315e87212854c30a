#pragma once
/// @file
/// mox::Transaction: a scoped transaction that ends on every exit and can roll back.

#include <mox/platform/types.h>

#include <stdexcept>

class Cmox;
class CmoxUndoContext;

namespace mox {

/// Thrown by Transaction::Rollback when the transaction cannot roll back.
class MOX_API TransactionError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

/// A transaction on the calling thread's engine for the lifetime of the guard.
///
/// Begins on construction and ends on destruction, or earlier with Commit() or Rollback();
/// the engine's transaction level is back where it was on every exit. At the outermost level
/// the guard attaches its undo context, which records the changes as one undoable step.
///
/// Destroyed by an exception, an outermost guard with an undo context rolls back (unless
/// RollbackOnException(false)); any other guard just ends. The destructor never throws: when
/// an Update delivered at the end throws, the transaction is still ended (its recorded step is
/// kept, the remaining deferred dependents are still delivered) and the exception is dropped.
/// Call Commit() to have it reported. Move-only; used on the thread that made it.
class MOX_API Transaction {
  public:
    /// Begins a transaction; at the outermost level a non-null `context` records it as one step
    /// described by `description`.
    explicit Transaction(CmoxUndoContext* context = nullptr, const char* description = nullptr);
    /// Takes over `other`'s open transaction; `other` is left ended.
    Transaction(Transaction&& other) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    Transaction& operator=(Transaction&&) = delete;
    /// Ends the transaction, rolling back first when destroyed by an exception (see above).
    ~Transaction();

    /// Ends the transaction now, keeping its changes. Rethrows the first exception of an Update
    /// delivered at the end, once the transaction is ended. No effect when already ended.
    void Commit();
    /// Undoes every change recorded since the transaction began, with the notifications an undo
    /// gives, and ends it, leaving nothing on the undo or redo stack. Throws TransactionError,
    /// changing nothing, when the guard is not the outermost, has no undo context, has inner
    /// transactions still open, or has ended.
    void Rollback();
    /// Whether destruction by an exception rolls back (the default) or keeps the changes.
    void RollbackOnException(bool enabled) { m_rollbackOnException = enabled; }
    /// Whether Rollback() would roll back rather than throw.
    bool CanRollback() const;
    /// Whether the transaction is still open.
    bool Active() const { return m_engine != nullptr; }

  private:
    const char* RollbackRefusal() const;
    void Finish(bool report);

    Cmox* m_engine;
    CmoxUndoContext* m_context = nullptr; // attached by this guard, so it may roll back
    int m_level;                          // the engine's level before the guard began
    int m_uncaught;                       // exceptions in flight when the guard began
    bool m_rollbackOnException = true;
};

} // namespace mox
