#pragma once
// A transaction without undo context or description that ends on every way out of a scope.

#include <mox/propagation/Cmox.h>

namespace mox::detail {

// Opens the transaction on construction and ends it on destruction, also when an Update that
// runs meanwhile throws: the engine's transaction level stays balanced.
class ScopedTransaction {
  public:
    explicit ScopedTransaction(Cmox& engine) : m_engine(engine) {
        engine.BeginTransaction(nullptr, nullptr);
    }
    ~ScopedTransaction() { m_engine.EndTransaction(); }
    ScopedTransaction(const ScopedTransaction&) = delete;
    ScopedTransaction& operator=(const ScopedTransaction&) = delete;

  private:
    Cmox& m_engine;
};

} // namespace mox::detail
