// The engine's 64-bit text helpers and its door to the engineering units. They keep no state
// and need no engine object, so they are plain static functions.

#include <mox/propagation/Cmox.h>
#include <mox/values/MoxEngUnits.h>

#include <climits>
#include <cstdio>

namespace {

bool IsSpace(char c) {
    // The formatted-input white space of the "C" locale, independent of the process locale.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

// Engineering units belong to the value cells; the engine offers them too.
int Cmox::IsEngUnit(char c) {
    return MoxIsEngUnit(c);
}

__int64 Cmox::EngValue(__int64 v, char c) {
    return MoxEngValue(v, c);
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
