#include <mox/values/CmoxLongLongCell.h>

#include <mox/values/CmoxLongLongUndoInfo.h>
#include <mox/values/internal/Arithmetic.h>
#include <mox/values/internal/Recording.h>

#include <climits>
#include <mox/values/internal/Records.h>

IMPLEMENT_DYNAMIC(CmoxLongLongCell, CmoxCell)

namespace {

using mox::detail::Magnitude64;
using mox::detail::SatAdd64;
using mox::detail::SatMul64;

// The leading decimal digit of a magnitude and the power of ten it stands for:
// m lies in [digit * scale, (digit + 1) * scale).
struct Decade {
    unsigned long long digit;
    unsigned long long scale;
};

Decade LeadingDigit(unsigned long long m) {
    unsigned long long scale = 1;
    while (m >= 10) {
        m /= 10;
        scale *= 10;
    }
    return {m, scale};
}

// One step of the 1-2-5 / 1-2-4 tables, acting on the signed value. A leading digit that the
// table does not list leaves the value as it is. Results beyond the 64-bit range saturate.
__int64 DecadeStep(__int64 v, MoxIncrementPolicy policy, bool up) {
    const unsigned long long digit = LeadingDigit(Magnitude64(v)).digit;
    // v*25/10 == 2v + v/2 and v*10/25 == 2(v/5) + 2(v%5)/5 under truncating division, without
    // the intermediate products that could overflow.
    const auto times2 = [](__int64 x) { return SatMul64(x, 2); };
    const auto times25over10 = [](__int64 x) { return SatAdd64(SatMul64(x, 2), x / 2); };
    const auto times10over25 = [](__int64 x) { return 2 * (x / 5) + (2 * (x % 5)) / 5; };
    const auto half = [](__int64 x) { return x / 2; };
    if (policy == MOX_125_INCR) {
        switch (digit) {
        case 1:
            return up ? times2(v) : half(v);
        case 2:
            return up ? times25over10(v) : half(v);
        case 5:
            return up ? times2(v) : times10over25(v);
        default:
            return v;
        }
    }
    switch (digit) {
    case 1:
        return up ? times2(v) : times10over25(v);
    case 2:
        return up ? times2(v) : half(v);
    case 4:
        return up ? times25over10(v) : half(v);
    default:
        return v;
    }
}

} // namespace

CmoxLongLongCell::CmoxLongLongCell() {
    Initialize(MOX_NO_NAME, 0, 1, MOX_STATE_PRIORITY);
}

CmoxLongLongCell::CmoxLongLongCell(const char* name, __int64 value, __int64 defaultValue,
                                   unsigned char priority) {
    Initialize(name, value, defaultValue, priority);
}

CmoxLongLongCell::~CmoxLongLongCell() = default;

void CmoxLongLongCell::Initialize(const char* name, __int64 value, __int64 defaultValue,
                                  unsigned char priority) {
    CmoxCell::Initialize(name, priority);
    m_value = value;
    m_default = defaultValue;
    m_min = MOX_LONGLONG_MIN;
    m_max = MOX_LONGLONG_MAX;
    m_size = 1;
    m_policy = MOX_FIXED_INCR;
    m_restoreDomain = 0;
    m_saveDomain = 0;
}

int CmoxLongLongCell::operator==(const CmoxCell& other) const {
    if (!CmoxCell::operator==(other)) return 0;
    const auto* cell = dynamic_cast<const CmoxLongLongCell*>(&other);
    return cell != nullptr && cell->Value() == Value();
}

__int64 CmoxLongLongCell::Quantize(__int64 x) {
    if (x <= m_min) return m_min;
    if (x >= m_max) return m_max;
    // From here min < x, so x is above the type's lowest value and |x| and x % size are safe.
    switch (m_policy) {
    case MOX_FIXED_INCR:
        // A size of 0 has no multiples to round to: such a cell holds any value in its range.
        if (m_size == 0) return x;
        return x - x % m_size;
    case MOX_125_INCR:
    case MOX_124_INCR: {
        const bool is125 = m_policy == MOX_125_INCR;
        Decade d = LeadingDigit(Magnitude64(x));
        if (is125 && d.digit != 1 && d.digit != 2 && d.digit != 5)
            d.digit = d.digit < 5 ? 2 : 5;
        else if (!is125 && d.digit != 1 && d.digit != 2 && d.digit != 4)
            d.digit = d.digit < 4 ? 2 : 4;
        // Never above |x| (0 becomes 2), so it fits and can take x's sign.
        const auto r = static_cast<__int64>(d.digit * d.scale);
        return x < 0 ? -r : r;
    }
    }
    // A policy value outside the enumeration quantizes nothing.
    return x;
}

void CmoxLongLongCell::QuantizeCell() {
    const __int64 min = m_min;
    const __int64 max = m_max;
    m_min = MOX_LONGLONG_MIN;
    m_max = MOX_LONGLONG_MAX;
    m_min = Quantize(min);
    // Quantized against the new min, so a max at or below it becomes the min.
    m_max = Quantize(max);
    m_value = Quantize(m_value);
    m_default = Quantize(m_default);
}

MoxSetValue CmoxLongLongCell::Value(__int64 value) {
    const __int64 q = Quantize(value);
    const MoxSetValue set = mox::detail::SetRecorded<CmoxLongLongUndoInfo>(
        *this, q == m_value, MOX_VALUE_CHANGED,
        std::tie(m_value, m_default, m_min, m_max, m_size, m_policy), [&] { m_value = q; });
    return mox::detail::Adjusted(set, q != value);
}

int CmoxLongLongCell::IsPrimitive() {
    return 1;
}

void CmoxLongLongCell::MakeDefaultCurrent() {
    Value(m_default);
}

void CmoxLongLongCell::MakeCurrentDefault() {
    mox::detail::SetRecorded<CmoxLongLongUndoInfo>(
        *this, m_value == m_default, MOX_DEFAULT_CHANGED,
        std::tie(m_value, m_default, m_min, m_max, m_size, m_policy),
        [this] { m_default = m_value; }, mox::detail::ReportTo::Base);
}

void CmoxLongLongCell::Undo(CmoxUndoInfo* undo) {
    CmoxLongLongUndoInfo::PutBack(undo, true, m_value, m_default, m_min, m_max, m_size, m_policy);
}

void CmoxLongLongCell::Redo(CmoxUndoInfo* undo) {
    CmoxLongLongUndoInfo::PutBack(undo, false, m_value, m_default, m_min, m_max, m_size, m_policy);
}

__int64 CmoxLongLongCell::Value() const {
    return m_value;
}

MoxSetValue CmoxLongLongCell::Step(__int64 n, bool up) {
    switch (m_policy) {
    case MOX_FIXED_INCR:
        // value +/- size*n, saturated where it leaves the 64-bit range; the setter then clamps.
        return Value(mox::detail::AddStepsSat64(m_value, m_size, n, up));
    case MOX_125_INCR:
    case MOX_124_INCR: {
        __int64 v = m_value;
        for (;;) {
            const __int64 next = DecadeStep(v, m_policy, up);
            // A value the table leaves alone (0, or a digit it does not list) stays put for
            // every remaining step, so the loop ends here instead of counting them out.
            if (next == v) break;
            v = next;
            if (v >= m_max || v <= m_min) break;
            if (--n < 1) break;
        }
        return Value(v);
    }
    }
    return Value(m_value);
}

MoxSetValue CmoxLongLongCell::Increment(__int64 n) {
    // Nothing is set, so nothing changed.
    if (n == 0) return MOX_VALUE_SAME;
    // The lowest count cannot be negated; it is taken as the largest count the other way,
    // which also keeps Increment and Decrement from handing it back and forth.
    if (n < 0) return Decrement(n == LLONG_MIN ? LLONG_MAX : -n);
    return Step(n, true);
}

MoxSetValue CmoxLongLongCell::Decrement(__int64 n) {
    if (n == 0) return MOX_VALUE_SAME;
    if (n < 0) return Increment(n == LLONG_MIN ? LLONG_MAX : -n);
    return Step(n, false);
}

MoxSetValue CmoxLongLongCell::MultiplyByThousand() {
    return Value(SatMul64(m_value, 1000));
}

MoxSetValue CmoxLongLongCell::DivideByThousand() {
    return Value(m_value / 1000);
}

void CmoxLongLongCell::InitRange(__int64 min, __int64 max) {
    m_min = min;
    m_max = max;
    QuantizeCell();
}

void CmoxLongLongCell::InitIncrementSize(__int64 size) {
    m_size = size;
    QuantizeCell();
}

void CmoxLongLongCell::InitRangeAndSize(__int64 min, __int64 max, __int64 size) {
    m_min = min;
    m_max = max;
    m_size = size;
    QuantizeCell();
}

void CmoxLongLongCell::InitIncrementPolicy(MoxIncrementPolicy policy) {
    m_policy = policy;
    QuantizeCell();
}

void CmoxLongLongCell::SetRangeAndSize(__int64 min, __int64 max, __int64 size) {
    // One report for the whole change, even when it moved the value or the default.
    mox::detail::SetRecorded<CmoxLongLongUndoInfo>(
        *this, min == m_min && max == m_max && size == m_size, MOX_RANGE_CHANGED,
        std::tie(m_value, m_default, m_min, m_max, m_size, m_policy), [&] {
            m_min = min;
            m_max = max;
            m_size = size;
            QuantizeCell();
        });
}

void CmoxLongLongCell::SetRange(__int64 min, __int64 max) {
    SetRangeAndSize(min, max, m_size);
}

void CmoxLongLongCell::SetIncrementSize(__int64 size) {
    SetRangeAndSize(m_min, m_max, size);
}

void CmoxLongLongCell::Min(__int64 min) {
    SetRangeAndSize(min, m_max, m_size);
}

void CmoxLongLongCell::Max(__int64 max) {
    SetRangeAndSize(m_min, max, m_size);
}

const CmoxLongLongCell& CmoxLongLongCell::operator=(long value) {
    Value(static_cast<__int64>(value));
    return *this;
}

const CmoxLongLongCell& CmoxLongLongCell::operator=(const CmoxCell& other) {
    // Only a 64-bit cell has a 64-bit value to give; assigning another kind is ignored.
    if (const auto* cell = dynamic_cast<const CmoxLongLongCell*>(&other)) Value(cell->Value());
    return *this;
}

const CmoxLongLongCell& CmoxLongLongCell::operator=(const CmoxLongLongCell& other) {
    return operator=(static_cast<const CmoxCell&>(other));
}

void CmoxLongLongCell::Save(CmoxArchive& archive) {
    CmoxCell::Save(archive);
    std::stringstream block;
    block << Cmox::LongLongToText(m_value) << ' ';
    if (m_saveDomain != 0) {
        block << Cmox::LongLongToText(m_min) << ' ' << Cmox::LongLongToText(m_max) << ' '
              << Cmox::LongLongToText(m_size) << ' ' << Cmox::ConvertIncrementPolicy(m_policy)
              << ' ';
    }
    archive.WriteBlock(block);
}

void CmoxLongLongCell::Restore(CmoxArchive& archive) {
    std::stringstream block;
    mox::detail::ReadValueBlock(archive, block, this);
    // A word that holds no number leaves its field as it was (TextToLongLong would make it 0).
    const std::string valueWord = mox::detail::ReadWord(block);
    const bool hasValue = mox::detail::HoldsNumber(valueWord);
    const __int64 archived = hasValue ? Cmox::TextToLongLong(valueWord.c_str()) : 0;

    MoxChangeReason reason = MOX_NO_CHANGE;
    if (m_restoreDomain != 0) {
        const std::string minWord = mox::detail::ReadWord(block);
        // A record written without its domain ends after the value; then the cell's domain
        // stays as it is and no unknown policy is flagged.
        if (mox::detail::HoldsNumber(minWord)) {
            const std::string maxWord = mox::detail::ReadWord(block);
            const std::string sizeWord = mox::detail::ReadWord(block);
            const std::string policyWord = mox::detail::ReadWord(block);
            const auto take = [&reason](const std::string& word, __int64& field) {
                if (!mox::detail::HoldsNumber(word)) return;
                const __int64 v = Cmox::TextToLongLong(word.c_str());
                if (v == field) return;
                field = v;
                reason = reason == MOX_NO_CHANGE ? MOX_RANGE_CHANGED : MOX_VALUE_CHANGED;
            };
            take(minWord, m_min);
            take(maxWord, m_max);
            take(sizeWord, m_size);
            m_policy = Cmox::ConvertIncrementPolicy(policyWord, archive, this);
        }
    }
    if (hasValue) {
        // Quantized against the domain as it now stands; the bounds and the default are not.
        const __int64 q = Quantize(archived);
        if (q != m_value) {
            m_value = q;
            reason = MOX_VALUE_CHANGED;
        }
    }
    if (reason != MOX_NO_CHANGE) Changed(0, reason, 1, nullptr);
}
