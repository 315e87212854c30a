#include <mox/values/CmoxLongCell.h>

#include <mox/values/CmoxValueUndoInfo.h>
#include <mox/values/internal/Arithmetic.h>
#include <mox/values/internal/Recording.h>
#include <mox/values/internal/Records.h>
#include <mox/values/internal/ValueText.h>

IMPLEMENT_DYNAMIC(CmoxLongCell, CmoxCell)

CmoxLongCell::CmoxLongCell() {
    Initialize(MOX_NO_NAME, 0, 0, MOX_STATE_PRIORITY);
}

CmoxLongCell::CmoxLongCell(const char* name, long value, long defaultValue,
                           unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxLongCell::~CmoxLongCell() = default;

void CmoxLongCell::Initialize(const char* name, long value, long defaultValue,
                              unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = mox::detail::WrapToInt32(value);
    m_default = mox::detail::WrapToInt32(defaultValue);
}

int CmoxLongCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    // Same run-time class, so `other` is a long cell (or a class derived from it).
    const auto* cell = dynamic_cast<const CmoxLongCell*>(&other);
    return cell != nullptr && cell->Value() == Value();
}

MoxSetValue CmoxLongCell::Value(long value) {
    // A `long` wider than 32 bits is reduced first, so the comparison sees what would be stored.
    const std::int32_t v = mox::detail::WrapToInt32(value);
    return mox::detail::SetRecorded<CmoxLongUndoInfo>(
        *this, v == m_value, MOX_VALUE_CHANGED, std::tie(m_value, m_default), [&] { m_value = v; });
}

int CmoxLongCell::IsPrimitive() {
    return 1;
}

void CmoxLongCell::MakeDefaultCurrent() {
    Value(static_cast<long>(m_default));
}

void CmoxLongCell::MakeCurrentDefault() {
    mox::detail::SetRecorded<CmoxLongUndoInfo>(*this, m_value == m_default, MOX_DEFAULT_CHANGED,
                                               std::tie(m_value, m_default),
                                               [this] { m_default = m_value; });
}

void CmoxLongCell::Undo(CmoxUndoInfo* undo) {
    CmoxLongUndoInfo::PutBack(undo, true, m_value, m_default);
}

void CmoxLongCell::Redo(CmoxUndoInfo* undo) {
    CmoxLongUndoInfo::PutBack(undo, false, m_value, m_default);
}

long CmoxLongCell::Value() const {
    return m_value;
}

MoxSetValue CmoxLongCell::Increment(long n) {
    return Value(static_cast<long>(mox::detail::AddWrap32(m_value, n)));
}

MoxSetValue CmoxLongCell::Decrement(long n) {
    return Value(static_cast<long>(mox::detail::SubWrap32(m_value, n)));
}

const CmoxLongCell& CmoxLongCell::operator=(const CmoxCell& other) {
    // Only a long cell has a long value to give; assigning another kind of cell is ignored.
    if (const auto* cell = dynamic_cast<const CmoxLongCell*>(&other)) Value(cell->Value());
    return *this;
}

const CmoxLongCell& CmoxLongCell::operator=(const CmoxLongCell& other) {
    return operator=(static_cast<const CmoxCell&>(other));
}

void CmoxLongCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    char text[mox::detail::kNumberTextRoom];
    mox::detail::FormatDecimal(text, Value());
    archive.WriteValueBlock(text, 1);
}

void CmoxLongCell::Restore(CmoxArchive& archive) {
    const char* begin = nullptr;
    const char* end = nullptr;
    mox::detail::ReadValueText(archive, this, begin, end);
    long long read = 0;
    if (!mox::detail::ParseDecimal(begin, end, read)) return;
    // Taken as 32-bit two's complement, as the setter takes a wider long.
    const std::int32_t v = mox::detail::WrapToInt32(read);
    if (v == m_value) return;
    m_value = v;
    Changed(0, MOX_VALUE_CHANGED, 1, nullptr);
}
