#include <mox/values/CmoxByteUndoInfo.h>

CmoxByteUndoInfo::CmoxByteUndoInfo(unsigned char oldValue, unsigned char oldDefault,
                                   unsigned char oldMin, unsigned char oldMax,
                                   unsigned char newValue, unsigned char newDefault,
                                   unsigned char newMin, unsigned char newMax)
    : m_oldValue(oldValue), m_oldDefault(oldDefault), m_oldMin(oldMin), m_oldMax(oldMax),
      m_newValue(newValue), m_newDefault(newDefault), m_newMin(newMin), m_newMax(newMax) {}

CmoxByteUndoInfo::~CmoxByteUndoInfo() = default;

void CmoxByteUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    // The undo list only merges records of one cell; another kind is ignored, not trusted.
    if (auto* newer = dynamic_cast<CmoxByteUndoInfo*>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
        m_newMin = newer->m_newMin;
        m_newMax = newer->m_newMax;
    }
}
