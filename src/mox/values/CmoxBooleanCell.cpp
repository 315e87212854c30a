#include <mox/values/CmoxBooleanCell.h>

#include <mox/values/CmoxValueUndoInfo.h>
#include <mox/values/internal/Recording.h>
#include <mox/values/internal/Records.h>

IMPLEMENT_DYNAMIC(CmoxBooleanCell, CmoxCell)

CmoxBooleanCell::CmoxBooleanCell() {
    Initialize(MOX_NO_NAME, 0, 0, MOX_STATE_PRIORITY);
}

CmoxBooleanCell::CmoxBooleanCell(const char* name, int value, int defaultValue,
                                 unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxBooleanCell::~CmoxBooleanCell() = default;

void CmoxBooleanCell::Initialize(const char* name, int value, int defaultValue,
                                 unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = static_cast<unsigned char>(value);
    m_default = static_cast<unsigned char>(defaultValue);
}

int CmoxBooleanCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    const auto* cell = dynamic_cast<const CmoxBooleanCell*>(&other);
    return cell != nullptr && cell->m_value == m_value;
}

MoxSetValue CmoxBooleanCell::Value(int value) {
    // The stored byte is compared with the whole argument, as callers of the long-standing
    // interface expect; only the low byte is then kept.
    return mox::detail::SetRecorded<CmoxBooleanUndoInfo>(
        *this, static_cast<int>(m_value) == value, MOX_VALUE_CHANGED, std::tie(m_value, m_default),
        [&] { m_value = static_cast<unsigned char>(value); });
}

int CmoxBooleanCell::IsPrimitive() {
    return 1;
}

void CmoxBooleanCell::MakeDefaultCurrent() {
    Value(static_cast<int>(m_default));
}

void CmoxBooleanCell::MakeCurrentDefault() {
    mox::detail::SetRecorded<CmoxBooleanUndoInfo>(*this, m_value == m_default, MOX_DEFAULT_CHANGED,
                                                  std::tie(m_value, m_default),
                                                  [this] { m_default = m_value; });
}

void CmoxBooleanCell::Undo(CmoxUndoInfo* undo) {
    CmoxBooleanUndoInfo::PutBack(undo, true, m_value, m_default);
}

void CmoxBooleanCell::Redo(CmoxUndoInfo* undo) {
    CmoxBooleanUndoInfo::PutBack(undo, false, m_value, m_default);
}

MoxSetValue CmoxBooleanCell::Toggle() {
    return Value(m_value == 0 ? 1 : 0);
}

const CmoxBooleanCell& CmoxBooleanCell::operator=(const CmoxCell& other) {
    // Only a boolean cell has a stored byte to give; assigning another kind is ignored.
    if (const auto* cell = dynamic_cast<const CmoxBooleanCell*>(&other))
        Value(static_cast<int>(cell->m_value));
    return *this;
}

const CmoxBooleanCell& CmoxBooleanCell::operator=(const CmoxBooleanCell& other) {
    return operator=(static_cast<const CmoxCell&>(other));
}

void CmoxBooleanCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    archive.WriteValueBlock(m_value != 0 ? "TRUE" : "FALSE", 1);
}

void CmoxBooleanCell::Restore(CmoxArchive& archive) {
    std::stringstream block;
    mox::detail::ReadValueBlock(archive, block, this);
    // Only the exact word TRUE is true; anything else, including a missing word, is false.
    const unsigned char v = mox::detail::ReadWord(block) == "TRUE" ? 1 : 0;
    if (v == m_value) return;
    m_value = v;
    CmoxCell::Changed(0, MOX_VALUE_CHANGED, 1, nullptr);
}
