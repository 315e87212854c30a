// Number text of the value records; see internal/ValueText.h.
#include <mox/values/internal/ValueText.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <locale>
#include <sstream>

namespace mox::detail {

char* FormatDecimal(char* out, long long value) {
    // Through 32 bits where the value fits, as a long cell's always does: cheaper digits.
    const bool narrow = value >= INT_MIN && value <= INT_MAX;
    char* const end =
        narrow ? std::to_chars(out, out + kNumberTextRoom - 1, static_cast<int>(value)).ptr
               : std::to_chars(out, out + kNumberTextRoom - 1, value).ptr;
    *end = '\0';
    return end;
}

namespace {

// Every power of ten here is an exact double, which both the formatter and the parser rely on.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The "%g" text of `value` when it is the double nearest to a decimal of at most six
// significant digits between 1e-4 and 1e6 (so "%g" writes it in fixed notation): such a value
// is found as an integer m below 10^6 and a scale k with m / 10^k == value. Both m and 10^k are
// exact doubles and the division rounds correctly, so the decimal m / 10^k is a six-digit
// decimal that reads back as the value; the value lies within half a unit in the last place of
// it, far closer than the six-digit grid, so rounding the value to six digits gives that
// decimal, which is what "%g" prints (trailing zeros dropped). Null for other values.
char* FormatShortFixed(char* out, double value) {
    const double magnitude = value < 0 ? -value : value;
    if (!(magnitude >= 1e-4 && magnitude < 1e6)) return nullptr; // also NaN
    for (int k = 0; k <= 10; ++k) {
        const double scaled = magnitude * kPowersOfTen[k];
        if (scaled >= 1e6) return nullptr;
        const double whole = static_cast<double>(static_cast<long long>(scaled));
        if (whole != scaled || whole / kPowersOfTen[k] != magnitude) continue;
        auto m = static_cast<unsigned>(whole);
        int decimals = k;
        while (decimals > 0 && m % 10 == 0) {
            m /= 10;
            --decimals;
        }
        char digits[8];
        const int count = static_cast<int>(std::to_chars(digits, digits + 8, m).ptr - digits);
        const int point = count - decimals; // digits before the point; none: "0." and zeros
        if (value < 0) *out++ = '-';
        if (point <= 0) out = std::fill_n(std::copy_n("0.", 2, out), -point, '0');
        for (int i = 0; i < count; ++i) {
            if (i == point && point > 0) *out++ = '.';
            *out++ = digits[i];
        }
        *out = '\0';
        return out;
    }
    return nullptr;
}

} // namespace

char* FormatGeneral6(char* out, double value) {
    if (char* const end = FormatShortFixed(out, value)) return end;
    // to_chars with a precision is defined as printf's conversion in the "C" locale, which is
    // what the classic-locale stream does for its default format.
    char* const end =
        std::to_chars(out, out + kNumberTextRoom - 1, value, std::chars_format::general, 6).ptr;
    *end = '\0';
    return end;
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StreamDecimal(const char* begin, const char* end, long long& out) {
    std::istringstream text(std::string(begin, end));
    text.imbue(std::locale::classic());
    long long v = 0;
    if (!(text >> v)) return false;
    out = v;
    return true;
}

} // namespace

bool ParseDecimal(const char* begin, const char* end, long long& out) {
    const char* p = begin;
    while (p != end && IsClassicSpace(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* digits = p;
    // Nineteen digits always fit in 64 unsigned bits; longer runs (leading zeros, overflow) are
    // left to the stream.
    unsigned long long magnitude = 0;
    const char* const last = end - p > 19 ? p + 19 : end;
    while (p != last && IsDigit(*p))
        magnitude = magnitude * 10 + static_cast<unsigned>(*p++ - '0');
    if (p == digits || (p != end && IsDigit(*p))) return StreamDecimal(begin, end, out);
    constexpr unsigned long long kMaxPositive = 9223372036854775807ull;
    if (!negative) {
        if (magnitude > kMaxPositive) return StreamDecimal(begin, end, out);
        out = static_cast<long long>(magnitude);
    } else {
        if (magnitude > kMaxPositive + 1) return StreamDecimal(begin, end, out);
        // Negated in unsigned arithmetic; the lowest value has no positive counterpart.
        out = magnitude == kMaxPositive + 1 ? -static_cast<long long>(kMaxPositive) - 1
                                            : -static_cast<long long>(magnitude);
    }
    return true;
}

std::string_view FirstWord(const char* begin, const char* end) {
    const char* p = begin;
    while (p != end && IsClassicSpace(*p))
        ++p;
    const char* word = p;
    while (p != end && !IsClassicSpace(*p))
        ++p;
    return {word, static_cast<std::size_t>(p - word)};
}

namespace {

// Digits with at most one point, fifteen digits in all: the digits as an integer and a power of
// ten of at most 22 are both exact doubles, so their quotient is the correctly rounded value,
// the one from_chars and the stream give too. False for anything else.
bool ShortDecimal(const char* p, const char* end, double& out) {
    if (end - p > 16) return false; // fifteen digits and a point at most
    unsigned long long digits = 0;
    const char* point = nullptr;
    for (const char* at = p; at != end; ++at) {
        if (IsDigit(*at)) {
            digits = digits * 10 + static_cast<unsigned>(*at - '0');
        } else if (*at == '.' && point == nullptr) {
            point = at;
        } else {
            return false;
        }
    }
    const std::ptrdiff_t count = (end - p) - (point != nullptr ? 1 : 0);
    if (count == 0 || count > 15) return false;
    out = static_cast<double>(digits) / kPowersOfTen[point != nullptr ? end - point - 1 : 0];
    return true;
}

bool StreamDouble(std::string_view word, double& out) {
    std::istringstream text{std::string(word)};
    text.imbue(std::locale::classic());
    double v = 0.0;
    if (!(text >> v)) return false;
    out = v;
    return true;
}

} // namespace

bool ParseDouble(std::string_view word, double& out) {
    const char* p = word.data();
    const char* end = p + word.size();
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    // A plain decimal number (digits, a point, an exponent) reads to the same double both ways,
    // as both round correctly. A word that starts otherwise (inf, nan), holds more than that
    // number, or is out of range (which the stream fails or clamps in its own way) goes to the
    // stream.
    if (p == end || !(IsDigit(*p) || *p == '.')) return StreamDouble(word, out);
    double v = 0.0;
    if (ShortDecimal(p, end, v)) {
        out = negative ? -v : v;
        return true;
    }
    const std::from_chars_result r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end) return StreamDouble(word, out);
    out = negative ? -v : v;
    return true;
}

} // namespace mox::detail
