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
    Finish(); // the destructor cannot report: see the class comment
}

void SubTransaction::End() {
    if (std::exception_ptr failure = Finish()) std::rethrow_exception(failure);
}

std::exception_ptr SubTransaction::Finish() noexcept {
    Cmox* engine = std::exchange(m_engine, nullptr);
    if (engine == nullptr) return nullptr;
    const int level = m_level;
    return detail::EndAll([engine] { engine->EndSubTransaction(); },
                          [engine, level] { return engine->SubTransactionLevel() <= level; });
}

} // namespace mox
