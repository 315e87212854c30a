#pragma once
/// @file
/// mox::SubTransaction: a scoped sub-transaction with its own notify list.

#include <mox/platform/types.h>

#include <exception>

class Cmox;

namespace mox {

/// A sub-transaction on the calling thread's engine for the lifetime of the guard: the changes
/// made meanwhile are queued in a notify list of their own, whose immediate entries are
/// delivered at the end and whose deferred ones join the enclosing list.
///
/// The engine's sub-transaction level is back where it was on every exit. The destructor never
/// throws: an exception from an Update delivered at the end is dropped once the sub-transaction
/// has ended (the entries behind it are still delivered); call End() to have it reported.
/// Move-only; used on the thread that made it.
class MOX_API SubTransaction {
  public:
    /// Begins a sub-transaction.
    SubTransaction();
    /// Takes over `other`'s open sub-transaction; `other` is left ended.
    SubTransaction(SubTransaction&& other) noexcept;
    SubTransaction(const SubTransaction&) = delete;
    SubTransaction& operator=(const SubTransaction&) = delete;
    SubTransaction& operator=(SubTransaction&&) = delete;
    /// Ends the sub-transaction if still open.
    ~SubTransaction();

    /// Ends it now; rethrows the first exception of an Update delivered at the end, once ended.
    void End();
    /// Whether the sub-transaction is still open.
    bool Active() const { return m_engine != nullptr; }

  private:
    std::exception_ptr Finish() noexcept;

    Cmox* m_engine;
    int m_level; // the engine's sub-transaction level before the guard began
};

} // namespace mox
