// The engine's 64-bit text and engineering-unit helpers. They keep no state and need no engine
// object, so they are plain static functions.

#include <mox/propagation/Cmox.h>

#include <climits>
#include <cstdio>

namespace {

// Factor from one count of a unit to pico-units, or 0 for characters that name no unit.
// Giga is deliberately 0: 10^21 pico-units do not fit in 64 bits.
__int64 EngFactor(char c) {
    switch (c) {
    case 'M':
        return 1000000000000000000LL;
    case 'K':
        return 1000000000000000LL;
    case ' ':
        return 1000000000000LL;
    case 'm':
        return 1000000000LL;
    case 'u':
        return 1000000LL;
    case 'n':
        return 1000LL;
    case 'p':
        return 1LL;
    default:
        return 0;
    }
}

bool IsSpace(char c) {
    // The formatted-input white space of the "C" locale, independent of the process locale.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int Cmox::IsEngUnit(char c) {
    switch (c) {
    case 'G':
    case 'M':
    case 'K':
    case 'm':
    case 'u':
    case 'n':
    case 'p':
        return 1;
    default:
        return 0; // the space stands for the base unit, which has no prefix
    }
}

__int64 Cmox::EngValue(__int64 v, char c) {
    const __int64 factor = EngFactor(c);
    if (factor == 0 || v == 0) return 0;
    // Products beyond the 64-bit range (10 mega is 10^19 pico-units) saturate at the bound in
    // the product's direction rather than wrapping to a value of the wrong sign.
    if (v > 0) return v > LLONG_MAX / factor ? LLONG_MAX : v * factor;
    return v < LLONG_MIN / factor ? LLONG_MIN : v * factor;
}

__int64 Cmox::TextToLongLong(const char* text) {
    // Text that holds no number (null, empty, or not starting with an optional sign and a
    // digit) gives 0; numbers beyond the 64-bit range give the bound they exceed.
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude in unsigned arithmetic; the negative limit is one larger.
    const unsigned long long limit = negative ? static_cast<unsigned long long>(LLONG_MAX) + 1ull
                                              : static_cast<unsigned long long>(LLONG_MAX);
    unsigned long long magnitude = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const auto digit = static_cast<unsigned long long>(*p - '0');
        if (saturated || magnitude > (limit - digit) / 10) {
            saturated = true;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (saturated) magnitude = limit;
    if (!negative) return static_cast<__int64>(magnitude);
    if (magnitude == static_cast<unsigned long long>(LLONG_MAX) + 1ull) return LLONG_MIN;
    return -static_cast<__int64>(magnitude);
}

std::string Cmox::LongLongToText(__int64 v) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%lld", v);
    return buffer;
}
