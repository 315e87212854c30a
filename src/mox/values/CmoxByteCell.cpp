#include <mox/values/CmoxByteCell.h>

#include <mox/values/CmoxByteUndoInfo.h>
#include <mox/values/internal/Recording.h>
#include <mox/values/internal/Records.h>

IMPLEMENT_DYNAMIC(CmoxByteCell, CmoxCell)

namespace {

// Every change is reported through the cell base's Changed, not a derived class's override.
constexpr auto kReportTo = mox::detail::ReportTo::Base;

} // namespace

CmoxByteCell::CmoxByteCell() {
    Initialize(MOX_NO_NAME, 0, 0, MOX_STATE_PRIORITY);
}

CmoxByteCell::CmoxByteCell(const char* name, unsigned char value, unsigned char defaultValue,
                           unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxByteCell::~CmoxByteCell() = default;

void CmoxByteCell::Initialize(const char* name, unsigned char value, unsigned char defaultValue,
                              unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = value;
    m_default = defaultValue;
    m_min = MOX_BYTE_MIN;
    m_max = MOX_BYTE_MAX;
    m_restoreDomain = 0;
    m_saveDomain = 0;
}

int CmoxByteCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    const auto* cell = dynamic_cast<const CmoxByteCell*>(&other);
    return cell != nullptr && cell->Value() == Value();
}

unsigned char CmoxByteCell::Quantize(unsigned char x) {
    if (x <= m_min) return m_min;
    if (x >= m_max) return m_max;
    return x;
}

void CmoxByteCell::QuantizeCell() {
    const unsigned char min = m_min;
    const unsigned char max = m_max;
    m_min = MOX_BYTE_MIN;
    m_max = MOX_BYTE_MAX;
    m_min = Quantize(min);
    // Quantized against the new min, so a max below it is raised to it.
    m_max = Quantize(max);
    m_value = Quantize(m_value);
    m_default = Quantize(m_default);
}

MoxSetValue CmoxByteCell::Value(unsigned char value) {
    const unsigned char q = Quantize(value);
    const MoxSetValue set = mox::detail::SetRecorded<CmoxByteUndoInfo>(
        *this, q == m_value, MOX_VALUE_CHANGED, std::tie(m_value, m_default, m_min, m_max),
        [&] { m_value = q; }, kReportTo);
    return mox::detail::Adjusted(set, q != value);
}

int CmoxByteCell::IsPrimitive() {
    return 1;
}

void CmoxByteCell::MakeDefaultCurrent() {
    Value(m_default);
}

void CmoxByteCell::MakeCurrentDefault() {
    // Unlike the unranged cells this always reports, even when the default already matched.
    mox::detail::SetRecorded<CmoxByteUndoInfo>(
        *this, false, MOX_DEFAULT_CHANGED, std::tie(m_value, m_default, m_min, m_max),
        [this] { m_default = m_value; }, kReportTo);
}

void CmoxByteCell::Undo(CmoxUndoInfo* undo) {
    CmoxByteUndoInfo::PutBack(undo, true, m_value, m_default, m_min, m_max);
}

void CmoxByteCell::Redo(CmoxUndoInfo* undo) {
    CmoxByteUndoInfo::PutBack(undo, false, m_value, m_default, m_min, m_max);
}

unsigned char CmoxByteCell::Value() const {
    return m_value;
}

MoxSetValue CmoxByteCell::Increment(unsigned char n) {
    // Modulo 256 before the range applies: 250 + 10 gives 4.
    return Value(static_cast<unsigned char>(m_value + n));
}

MoxSetValue CmoxByteCell::Decrement(unsigned char n) {
    return Value(static_cast<unsigned char>(m_value - n));
}

void CmoxByteCell::InitRange(unsigned char min, unsigned char max) {
    m_min = min;
    m_max = max;
    QuantizeCell();
}

void CmoxByteCell::SetRange(unsigned char min, unsigned char max) {
    // One report for the whole change, even when it moved the value or the default.
    mox::detail::SetRecorded<CmoxByteUndoInfo>(
        *this, min == m_min && max == m_max, MOX_RANGE_CHANGED,
        std::tie(m_value, m_default, m_min, m_max),
        [&] {
            m_max = max;
            m_min = min;
            QuantizeCell();
        },
        kReportTo);
}

void CmoxByteCell::Min(unsigned char min) {
    if (min == m_min) return;
    SetRange(min, m_max);
}

void CmoxByteCell::Max(unsigned char max) {
    if (max == m_max) return;
    SetRange(m_min, max);
}

const CmoxByteCell& CmoxByteCell::operator=(unsigned char value) {
    Value(value);
    return *this;
}

const CmoxByteCell& CmoxByteCell::operator=(const CmoxCell& other) {
    // Only a byte cell has a byte value to give; assigning another kind is ignored.
    if (const auto* cell = dynamic_cast<const CmoxByteCell*>(&other)) Value(cell->Value());
    return *this;
}

const CmoxByteCell& CmoxByteCell::operator=(const CmoxByteCell& other) {
    return operator=(static_cast<const CmoxCell&>(other));
}

void CmoxByteCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    std::stringstream block;
    mox::detail::PrepareBlock(block);
    block << static_cast<int>(m_value) << ' ';
    // Written as the format has it: a second space before the range and none after the max.
    if (m_saveDomain != 0)
        block << ' ' << static_cast<int>(m_min) << ' ' << static_cast<int>(m_max);
    archive.WriteBlock(block);
}

void CmoxByteCell::Restore(CmoxArchive& archive) {
    std::stringstream block;
    mox::detail::ReadValueBlock(archive, block, this);
    MoxChangeReason reason = MOX_NO_CHANGE;
    // Each field keeps its low 8 bits (300 reads as 44) and is stored as read: restoring
    // does not clamp. A field that cannot be read leaves the cell's field as it was.
    const auto readByte = [&block](unsigned char& out) {
        long long v = 0;
        if (!mox::detail::ReadInteger(block, v)) return false;
        out = static_cast<unsigned char>(static_cast<unsigned long long>(v));
        return true;
    };
    unsigned char v = 0;
    if (readByte(v) && v != m_value) {
        m_value = v;
        reason = MOX_VALUE_CHANGED;
    }
    if (m_restoreDomain != 0) {
        // Two changed fields are reported as a value change, one range field alone as a range
        // change.
        const auto note = [&reason] {
            reason = reason == MOX_NO_CHANGE ? MOX_RANGE_CHANGED : MOX_VALUE_CHANGED;
        };
        unsigned char bound = 0;
        if (readByte(bound) && bound != m_min) {
            m_min = bound;
            note();
        }
        if (readByte(bound) && bound != m_max) {
            m_max = bound;
            note();
        }
    }
    if (reason != MOX_NO_CHANGE) CmoxCell::Changed(0, reason, 1, nullptr);
}
