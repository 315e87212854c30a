#include <mox/scope/Transaction.h>

#include <mox/propagation/Cmox.h>
#include <mox/scope/internal/EndAll.h>
#include <mox/undo/CmoxUndoContext.h>

#include <utility>

namespace mox {

Transaction::Transaction(CmoxUndoContext* context, const char* description)
    : m_engine(&Cmox::Current()), m_level(m_engine->TransactionLevel()),
      m_uncaught(std::uncaught_exceptions()) {
    const bool attaches = m_level == 0 && context != nullptr && m_engine->UndoContext() == nullptr;
    m_engine->BeginTransaction(context, description);
    if (attaches) m_context = context;
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_engine(std::exchange(other.m_engine, nullptr)),
      m_context(std::exchange(other.m_context, nullptr)), m_level(other.m_level),
      m_uncaught(other.m_uncaught), m_rollbackOnException(other.m_rollbackOnException) {}

Transaction::~Transaction() {
    if (m_engine == nullptr) return;
    // Unwinding: the exception in flight is the one to report, so what goes wrong while putting
    // things back is dropped.
    if (std::uncaught_exceptions() > m_uncaught && m_rollbackOnException &&
        RollbackRefusal() == nullptr) {
        try {
            m_context->DiscardTransaction();
        } catch (...) {
        }
    }
    Finish(false);
}

void Transaction::Commit() {
    if (m_engine != nullptr) Finish(true);
}

const char* Transaction::RollbackRefusal() const {
    if (m_engine == nullptr) return "mox::Transaction::Rollback: the transaction has ended";
    if (m_level != 0)
        return "mox::Transaction::Rollback: only the outermost transaction can roll back";
    if (m_context == nullptr || m_engine->UndoContext() != m_context)
        return "mox::Transaction::Rollback: the transaction records into no undo context";
    if (m_engine->TransactionLevel() != 1)
        return "mox::Transaction::Rollback: inner transactions are still open";
    return nullptr;
}

bool Transaction::CanRollback() const {
    return RollbackRefusal() == nullptr;
}

void Transaction::Rollback() {
    if (const char* refusal = RollbackRefusal()) throw TransactionError(refusal);
    std::exception_ptr failure;
    try {
        m_context->DiscardTransaction();
    } catch (...) {
        failure = std::current_exception();
    }
    Finish(failure == nullptr);
    if (failure) std::rethrow_exception(failure);
}

void Transaction::Finish(bool report) {
    Cmox* engine = std::exchange(m_engine, nullptr);
    const int level = m_level;
    std::exception_ptr failure =
        detail::EndAll([engine] { engine->EndTransaction(); },
                       [engine, level] { return engine->TransactionLevel() <= level; });
    if (report && failure) std::rethrow_exception(failure);
}

} // namespace mox
