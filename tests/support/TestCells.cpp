#include "support/TestCells.h"

namespace moxtest {

IMPLEMENT_DYNAMIC(IntCell, CmoxCell)

CmoxCell* TreeCell::FindChild(const char* name) {
    for (auto& child : m_children)
        if (child->Name() == name) return child.get();
    return nullptr;
}

CmoxCell* TreeCell::FindChildUser(const char* userName) {
    for (auto& child : m_children)
        if (child->HasUserName() && std::string(child->UserName()) == userName) return child.get();
    return nullptr;
}

MoxSetValue IntCell::Set(int value, unsigned long userData) {
    if (value == m_value) return MOX_VALUE_SAME;
    CmoxUndoInfo* record = nullptr;
    if (Cmox::Current().UndoContext() != nullptr) record = new IntUndoInfo(m_value, value);
    m_value = value;
    Changed(userData, MOX_VALUE_CHANGED, 1, record);
    return MOX_VALUE_SET;
}

} // namespace moxtest
