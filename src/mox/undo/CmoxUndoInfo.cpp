#include <mox/undo/CmoxUndoInfo.h>

CmoxUndoInfo::~CmoxUndoInfo() = default;

void CmoxUndoInfo::Merge(CmoxUndoInfo* later) {
    if (later == nullptr) return;
    m_userData |= later->m_userData;
    if (m_reason != later->m_reason) m_reason = MOX_VALUE_CHANGED;
}

void CmoxUndoInfo::RemoveCell(CmoxCell*) {}
