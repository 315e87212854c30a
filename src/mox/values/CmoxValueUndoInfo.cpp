#include <mox/values/CmoxValueUndoInfo.h>

#include <mox/values/internal/Arithmetic.h>

namespace {

const char* OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// The undo list only merges records that the same cell made, so the down-cast succeeds; a
// record of another kind is ignored rather than trusted.
template <class Record> Record* Later(CmoxUndoInfo* later) {
    return dynamic_cast<Record*>(later);
}

} // namespace

// ---- CmoxLongUndoInfo --------------------------------------------------------------------------

CmoxLongUndoInfo::CmoxLongUndoInfo(long oldValue, long oldDefault, long newValue, long newDefault)
    : m_oldValue(mox::detail::WrapToInt32(oldValue)),
      m_oldDefault(mox::detail::WrapToInt32(oldDefault)),
      m_newValue(mox::detail::WrapToInt32(newValue)),
      m_newDefault(mox::detail::WrapToInt32(newDefault)) {}

CmoxLongUndoInfo::~CmoxLongUndoInfo() = default;

void CmoxLongUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    if (auto* newer = Later<CmoxLongUndoInfo>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
    }
}

// ---- CmoxDoubleUndoInfo ------------------------------------------------------------------------

CmoxDoubleUndoInfo::CmoxDoubleUndoInfo(double oldValue, double oldDefault, double newValue,
                                       double newDefault)
    : m_oldValue(oldValue), m_oldDefault(oldDefault), m_newValue(newValue),
      m_newDefault(newDefault) {}

CmoxDoubleUndoInfo::~CmoxDoubleUndoInfo() = default;

void CmoxDoubleUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    if (auto* newer = Later<CmoxDoubleUndoInfo>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
    }
}

// ---- CmoxBooleanUndoInfo -----------------------------------------------------------------------

CmoxBooleanUndoInfo::CmoxBooleanUndoInfo(unsigned char oldValue, unsigned char oldDefault,
                                         unsigned char newValue, unsigned char newDefault)
    : m_oldValue(oldValue), m_oldDefault(oldDefault), m_newValue(newValue),
      m_newDefault(newDefault) {}

CmoxBooleanUndoInfo::~CmoxBooleanUndoInfo() = default;

void CmoxBooleanUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    if (auto* newer = Later<CmoxBooleanUndoInfo>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
    }
}

// ---- CmoxStringUndoInfo ------------------------------------------------------------------------

CmoxStringUndoInfo::CmoxStringUndoInfo(const char* oldValue, const char* oldDefault,
                                       const char* newValue, const char* newDefault)
    : m_oldValue(OrEmpty(oldValue)), m_oldDefault(OrEmpty(oldDefault)),
      m_newValue(OrEmpty(newValue)), m_newDefault(OrEmpty(newDefault)) {}

CmoxStringUndoInfo::~CmoxStringUndoInfo() = default;

void CmoxStringUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    if (auto* newer = Later<CmoxStringUndoInfo>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
    }
}

// ---- CmoxPtrUndoInfo ---------------------------------------------------------------------------

CmoxPtrUndoInfo::CmoxPtrUndoInfo(void* oldValue, void* oldDefault, void* newValue, void* newDefault)
    : m_oldValue(oldValue), m_oldDefault(oldDefault), m_newValue(newValue),
      m_newDefault(newDefault) {}

CmoxPtrUndoInfo::~CmoxPtrUndoInfo() = default;

void CmoxPtrUndoInfo::Merge(CmoxUndoInfo* later) {
    CmoxUndoInfo::Merge(later);
    if (auto* newer = Later<CmoxPtrUndoInfo>(later)) {
        m_newValue = newer->m_newValue;
        m_newDefault = newer->m_newDefault;
    }
}
