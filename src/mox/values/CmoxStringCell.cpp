#include <mox/values/CmoxStringCell.h>

#include <mox/values/CmoxValueUndoInfo.h>
#include <mox/values/internal/Recording.h>
#include <mox/values/internal/Records.h>

#include <utility>

IMPLEMENT_DYNAMIC(CmoxStringCell, CmoxCell)

using mox::detail::OrEmpty;

CmoxStringCell::CmoxStringCell() {
    Initialize(MOX_NO_NAME, MOX_NO_NAME, MOX_NO_NAME, MOX_STATE_PRIORITY);
}

CmoxStringCell::CmoxStringCell(const char* name, const char* value, const char* defaultValue,
                               unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxStringCell::~CmoxStringCell() = default;

void CmoxStringCell::Initialize(const char* name, const char* value, const char* defaultValue,
                                unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = OrEmpty(value);
    m_default = OrEmpty(defaultValue);
}

int CmoxStringCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    const auto* cell = dynamic_cast<const CmoxStringCell*>(&other);
    return cell != nullptr && cell->m_value == m_value;
}

MoxSetValue CmoxStringCell::Value(const char* value) {
    value = OrEmpty(value);
    // Copied before it is stored: `value` may point into one of this cell's own strings.
    return mox::detail::SetRecorded<CmoxStringUndoInfo>(*this, m_value == value, MOX_VALUE_CHANGED,
                                                        std::tie(m_value, m_default),
                                                        [&] { m_value = std::string(value); });
}

int CmoxStringCell::IsPrimitive() {
    return 1;
}

void CmoxStringCell::MakeDefaultCurrent() {
    // The setter copies before it stores, so handing it the default's own buffer is safe.
    Value(m_default.c_str());
}

void CmoxStringCell::MakeCurrentDefault() {
    mox::detail::SetRecorded<CmoxStringUndoInfo>(*this, m_value == m_default, MOX_DEFAULT_CHANGED,
                                                 std::tie(m_value, m_default),
                                                 [this] { m_default = m_value; });
}

void CmoxStringCell::Undo(CmoxUndoInfo* undo) {
    CmoxStringUndoInfo::PutBack(undo, true, m_value, m_default);
}

void CmoxStringCell::Redo(CmoxUndoInfo* undo) {
    CmoxStringUndoInfo::PutBack(undo, false, m_value, m_default);
}

std::string& CmoxStringCell::Value() {
    return m_value;
}

const CmoxStringCell& CmoxStringCell::operator=(const CmoxCell& other) {
    // Only a string cell has a text to give; assigning another kind is ignored.
    const auto* cell = dynamic_cast<const CmoxStringCell*>(&other);
    if (cell == nullptr) return *this;
    // Read through the virtual getter so a derived class's view of its text is honoured. The
    // getter is non-const only because it hands out a modifiable reference; nothing is modified.
    const std::string text = const_cast<CmoxStringCell*>(cell)->Value();
    Value(text.c_str());
    return *this;
}

const CmoxStringCell& CmoxStringCell::operator=(const CmoxStringCell& other) {
    return operator=(static_cast<const CmoxCell&>(other));
}

void CmoxStringCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    archive.WriteValueBlock(m_value.c_str(), 0);
}

void CmoxStringCell::Restore(CmoxArchive& archive) {
    const char* begin = nullptr;
    const char* end = nullptr;
    mox::detail::ReadValueText(archive, this, begin, end);
    const std::string_view text = archive.ReadTokenView(begin, end);
    if (text == m_value) return;
    mox::detail::CopyText(m_value, text);
    CmoxCell::Changed(0, MOX_VALUE_CHANGED, 1, nullptr);
}
