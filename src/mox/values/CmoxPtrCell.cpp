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
    if (m_value == m_default) return;
    CmoxUndoInfo* record = nullptr;
    if (mox::detail::UndoContextOpen())
        record = new CmoxPtrUndoInfo(m_value, m_default, m_value, m_value);
    m_default = m_value;
    Changed(0, MOX_DEFAULT_CHANGED, 1, record);
}

void CmoxPtrCell::Undo(CmoxUndoInfo* undo) {
    if (auto* record = dynamic_cast<CmoxPtrUndoInfo*>(undo)) {
        m_value = record->m_oldValue;
        m_default = record->m_oldDefault;
    }
}

void CmoxPtrCell::Redo(CmoxUndoInfo* undo) {
    if (auto* record = dynamic_cast<CmoxPtrUndoInfo*>(undo)) {
        m_value = record->m_newValue;
        m_default = record->m_newDefault;
    }
}

void* CmoxPtrCell::Value() const {
    return m_value;
}

MoxSetValue CmoxPtrCell::Value(void* value) {
    if (value == m_value) return MOX_VALUE_SAME;
    CmoxUndoInfo* record = nullptr;
    if (mox::detail::UndoContextOpen())
        record = new CmoxPtrUndoInfo(m_value, m_default, value, m_default);
    m_value = value;
    Changed(0, MOX_VALUE_CHANGED, 1, record);
    return MOX_VALUE_SET;
}
