#include <mox/values/MoxEngUnits.h>

#include <climits>

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

} // namespace

int MoxIsEngUnit(char c) {
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

__int64 MoxEngValue(__int64 v, char c) {
    const __int64 factor = EngFactor(c);
    if (factor == 0 || v == 0) return 0;
    // Products beyond the 64-bit range (10 mega is 10^19 pico-units) saturate at the bound in
    // the product's direction rather than wrapping to a value of the wrong sign.
    if (v > 0) return v > LLONG_MAX / factor ? LLONG_MAX : v * factor;
    return v < LLONG_MIN / factor ? LLONG_MIN : v * factor;
}
