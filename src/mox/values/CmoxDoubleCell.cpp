#include <mox/values/CmoxDoubleCell.h>

#include <mox/values/CmoxValueUndoInfo.h>
#include <mox/values/internal/Recording.h>
#include <mox/values/internal/Records.h>
#include <mox/values/internal/ValueText.h>

#include <limits>

IMPLEMENT_DYNAMIC(CmoxDoubleCell, CmoxCell)

CmoxDoubleCell::CmoxDoubleCell() {
    Initialize(MOX_NO_NAME, 0.0, 0.0, MOX_STATE_PRIORITY);
}

CmoxDoubleCell::CmoxDoubleCell(const char* name, double value, double defaultValue,
                               unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxDoubleCell::~CmoxDoubleCell() = default;

void CmoxDoubleCell::Initialize(const char* name, double value, double defaultValue,
                                unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = value;
    m_default = defaultValue;
}

int CmoxDoubleCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    const auto* cell = dynamic_cast<const CmoxDoubleCell*>(&other);
    return cell != nullptr && cell->Value() == Value();
}

MoxSetValue CmoxDoubleCell::Value(double value) {
    // Plain ==: a NaN never matches, so it is always stored and reported.
    return mox::detail::SetRecorded<CmoxDoubleUndoInfo>(*this, value == m_value, MOX_VALUE_CHANGED,
                                                        std::tie(m_value, m_default),
                                                        [&] { m_value = value; });
}

int CmoxDoubleCell::IsPrimitive() {
    return 1;
}

void CmoxDoubleCell::MakeDefaultCurrent() {
    Value(m_default);
}

void CmoxDoubleCell::MakeCurrentDefault() {
    mox::detail::SetRecorded<CmoxDoubleUndoInfo>(*this, m_value == m_default, MOX_DEFAULT_CHANGED,
                                                 std::tie(m_value, m_default),
                                                 [this] { m_default = m_value; });
}

void CmoxDoubleCell::Undo(CmoxUndoInfo* undo) {
    CmoxDoubleUndoInfo::PutBack(undo, true, m_value, m_default);
}

void CmoxDoubleCell::Redo(CmoxUndoInfo* undo) {
    CmoxDoubleUndoInfo::PutBack(undo, false, m_value, m_default);
}

double CmoxDoubleCell::Value() const {
    return m_value;
}

MoxSetValue CmoxDoubleCell::Increment(double d) {
    return Value(m_value + d);
}

MoxSetValue CmoxDoubleCell::Decrement(double d) {
    return Value(m_value - d);
}

const CmoxDoubleCell& CmoxDoubleCell::operator=(const CmoxCell& other) {
    // Only a double cell has a double value to give; assigning another kind is ignored.
    if (const auto* cell = dynamic_cast<const CmoxDoubleCell*>(&other)) Value(cell->Value());
    return *this;
}

const CmoxDoubleCell& CmoxDoubleCell::operator=(const CmoxDoubleCell& other) {
    return operator=(static_cast<const CmoxCell&>(other));
}

namespace {

// The stream writes non-finite values as nan, inf and -inf (or -nan) but cannot read them
// back; they are recognised here so that every value the cell can hold survives a round trip.
bool ReadDouble(std::string_view word, double& out) {
    if (word == "nan" || word == "-nan") {
        // The sign is kept, so that the value saves again as the same text.
        out = word[0] == '-' ? -std::numeric_limits<double>::quiet_NaN()
                             : std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (word == "inf" || word == "-inf") {
        out = word[0] == '-' ? -std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::infinity();
        return true;
    }
    return mox::detail::ParseDouble(word, out);
}

} // namespace

void CmoxDoubleCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    char text[mox::detail::kNumberTextRoom];
    // The stream's default: six significant digits, fixed or exponent form as %g chooses.
    mox::detail::FormatGeneral6(text, m_value);
    archive.WriteValueBlock(text, 1);
}

void CmoxDoubleCell::Restore(CmoxArchive& archive) {
    const char* begin = nullptr;
    const char* end = nullptr;
    mox::detail::ReadValueText(archive, this, begin, end);
    double v = 0.0;
    if (!ReadDouble(mox::detail::FirstWord(begin, end), v)) return;
    if (v == m_value) return; // a NaN never matches, so it is always taken and reported
    m_value = v;
    CmoxCell::Changed(0, MOX_VALUE_CHANGED, 1, nullptr);
}
