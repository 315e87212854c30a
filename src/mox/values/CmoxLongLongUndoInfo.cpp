#include <mox/values/CmoxLongLongUndoInfo.h>

CmoxLongLongUndoInfo::CmoxLongLongUndoInfo(__int64 oldValue, __int64 oldDefault, __int64 oldMin,
                                           __int64 oldMax, __int64 oldSize,
                                           MoxIncrementPolicy oldPolicy, __int64 newValue,
                                           __int64 newDefault, __int64 newMin, __int64 newMax,
                                           __int64 newSize, MoxIncrementPolicy newPolicy)
    : m_oldValue(oldValue), m_oldDefault(oldDefault), m_oldMin(oldMin), m_oldMax(oldMax),
      m_oldSize(oldSize), m_oldPolicy(oldPolicy), m_newValue(newValue), m_newDefault(newDefault),
      m_newMin(newMin), m_newMax(newMax), m_newSize(newSize), m_newPolicy(newPolicy) {}

CmoxLongLongUndoInfo::~CmoxLongLongUndoInfo() = default;

void CmoxLongLongUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    // The undo list only merges records of one cell; another kind is ignored, not trusted.
    if (auto* newer = dynamic_cast<CmoxLongLongUndoInfo*>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
        m_newMin = newer->m_newMin;
        m_newMax = newer->m_newMax;
        m_newSize = newer->m_newSize;
        m_newPolicy = newer->m_newPolicy;
    }
}
