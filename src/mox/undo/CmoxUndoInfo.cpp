#include <mox/undo/CmoxUndoInfo.h>

#include <mox/undo/internal/RecordPool.h>

CmoxUndoInfo::~CmoxUndoInfo() = default;

void* CmoxUndoInfo::operator new(std::size_t size) {
    return mox::detail::AllocateRecord(size);
}
void CmoxUndoInfo::operator delete(void* block, std::size_t size) noexcept {
    mox::detail::ReleaseRecord(block, size);
}

void CmoxUndoInfo::Merge(CmoxUndoInfo* later) {
    if (later == nullptr) return;
    m_userData |= later->m_userData;
    if (m_reason != later->m_reason) m_reason = MOX_VALUE_CHANGED;
}

void CmoxUndoInfo::RemoveCell(CmoxCell*) {}
