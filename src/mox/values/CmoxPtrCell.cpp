#include <mox/values/CmoxPtrCell.h>

#include <mox/values/CmoxValueUndoInfo.h>
#include <mox/values/internal/Recording.h>

IMPLEMENT_DYNAMIC(CmoxPtrCell, CmoxCell)

CmoxPtrCell::CmoxPtrCell() {
    Initialize(MOX_NO_NAME, nullptr, nullptr, MOX_STATE_PRIORITY);
}

CmoxPtrCell::CmoxPtrCell(const char* name, void* value, void* defaultValue,
                         unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxPtrCell::~CmoxPtrCell() = default;

void CmoxPtrCell::Initialize(const char* name, void* value, void* defaultValue,
                             unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = value;
    m_default = defaultValue;
    // A pointer means nothing in another process, so it is never archived.
    Savable(0);
}

int CmoxPtrCell::IsPrimitive() {
    return 1;
}

void CmoxPtrCell::MakeDefaultCurrent() {
    Value(m_default);
}

void CmoxPtrCell::MakeCurrentDefault() {
    mox::detail::SetRecorded<CmoxPtrUndoInfo>(*this, m_value == m_default, MOX_DEFAULT_CHANGED,
                                              std::tie(m_value, m_default),
                                              [this] { m_default = m_value; });
}

void CmoxPtrCell::Undo(CmoxUndoInfo* undo) {
    CmoxPtrUndoInfo::PutBack(undo, true, m_value, m_default);
}

void CmoxPtrCell::Redo(CmoxUndoInfo* undo) {
    CmoxPtrUndoInfo::PutBack(undo, false, m_value, m_default);
}

void* CmoxPtrCell::Value() const {
    return m_value;
}

MoxSetValue CmoxPtrCell::Value(void* value) {
    return mox::detail::SetRecorded<CmoxPtrUndoInfo>(*this, value == m_value, MOX_VALUE_CHANGED,
                                                     std::tie(m_value, m_default),
                                                     [&] { m_value = value; });
}
