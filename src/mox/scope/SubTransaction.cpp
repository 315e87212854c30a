#include <mox/scope/SubTransaction.h>

#include <mox/propagation/Cmox.h>
#include <mox/scope/internal/EndAll.h>

#include <utility>

namespace mox {

SubTransaction::SubTransaction()
    : m_engine(&Cmox::Current()), m_level(m_engine->SubTransactionLevel()) {
    m_engine->BeginSubTransaction();
}

SubTransaction::SubTransaction(SubTransaction&& other) noexcept
    : m_engine(std::exchange(other.m_engine, nullptr)), m_level(other.m_level) {}

SubTransaction::~SubTransaction() {
    if (m_engine == nullptr) return;
    Cmox* engine = std::exchange(m_engine, nullptr);
    const int level = m_level;
    detail::EndAll([engine] { engine->EndSubTransaction(); },
                   [engine, level] { return engine->SubTransactionLevel() <= level; });
}

void SubTransaction::End() {
    if (m_engine == nullptr) return;
    Cmox* engine = std::exchange(m_engine, nullptr);
    const int level = m_level;
    std::exception_ptr failure =
        detail::EndAll([engine] { engine->EndSubTransaction(); },
                       [engine, level] { return engine->SubTransactionLevel() <= level; });
    if (failure) std::rethrow_exception(failure);
}

} // namespace mox
