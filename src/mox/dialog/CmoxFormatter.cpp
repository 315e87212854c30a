#include <mox/dialog/CmoxFormatter.h>

#include <mox/core/MoxConstants.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The parsers preprocess into a buffer of their own. Only the first PREPROCESS_SIZE - 1
// characters of the text are looked at: no number needs more, and since the base
// PreprocessText never lengthens its input the result then always fits. (An override that
// lengthens text must keep within PREPROCESS_SIZE characters.)
struct Preprocessed {
    char text[CmoxFormatter::PREPROCESS_SIZE];

    Preprocessed(CmoxFormatter& formatter, const char* source) {
        char bounded[CmoxFormatter::PREPROCESS_SIZE];
        bounded[0] = '\0';
        if (source != nullptr) {
            std::strncpy(bounded, source, sizeof bounded - 1);
            bounded[sizeof bounded - 1] = '\0';
        }
        text[0] = '\0';
        formatter.PreprocessText(bounded, text);
        text[sizeof text - 1] = '\0';
    }
};

// The standard conversions leave the result undefined when it does not fit; strtol clamps,
// so every text has a defined result.
long ParseInteger(const char* text) {
    return std::strtol(text, nullptr, 10);
}

long Clamp32(long value) {
    // Long values live in 32-bit cells, so a parsed long means what it meant where long was
    // 32 bits wide: out-of-range text saturates instead of wrapping.
    if (value > static_cast<long>(INT32_MAX)) return static_cast<long>(INT32_MAX);
    if (value < static_cast<long>(INT32_MIN)) return static_cast<long>(INT32_MIN);
    return value;
}

} // namespace

CmoxFormatter::CmoxFormatter() = default;
CmoxFormatter::~CmoxFormatter() = default;

long CmoxFormatter::TextToLong(const char* text) {
    const Preprocessed clean(*this, text);
    return Clamp32(ParseInteger(clean.text));
}

void CmoxFormatter::LongToText(long value, char* text) {
    if (text != nullptr) std::snprintf(text, LONG_TEXT_SIZE, "%ld", value);
}

unsigned char CmoxFormatter::TextToByte(const char* text) {
    const Preprocessed clean(*this, text);
    // An int first (saturating like the integer conversion), then its low 8 bits, computed
    // unsigned so that negative values wrap: -1 gives 255.
    const long value = Clamp32(ParseInteger(clean.text));
    return static_cast<unsigned char>(static_cast<unsigned long>(value) & 0xFFUL);
}

void CmoxFormatter::ByteToText(unsigned char value, char* text) {
    if (text != nullptr) std::snprintf(text, BYTE_TEXT_SIZE, "%d", static_cast<int>(value));
}

double CmoxFormatter::TextToDouble(const char* text) {
    const Preprocessed clean(*this, text);
    return std::strtod(clean.text, nullptr);
}

void CmoxFormatter::DoubleToText(double value, char* text) {
    if (text != nullptr) std::snprintf(text, DOUBLE_TEXT_SIZE, "%g", value);
}

__int64 CmoxFormatter::TextToLongLong(const char* text) {
    const Preprocessed clean(*this, text);
    const double value = std::strtod(clean.text, nullptr);
    // Converting a double outside the 64-bit range is undefined, so saturate first; a text
    // that reads as not-a-number gives 0 like any other non-number.
    if (std::isnan(value)) return 0;
    const double limit = 9223372036854775808.0; // 2^63, exact in a double
    if (value >= limit) return LLONG_MAX;
    if (value <= -limit) return LLONG_MIN;
    return static_cast<__int64>(value); // truncates toward zero
}

void CmoxFormatter::LongLongToText(__int64 value, char* text) {
    if (text != nullptr) std::snprintf(text, LONGLONG_TEXT_SIZE, "%lld", value);
}

void CmoxFormatter::PreprocessText(const char* source, char* target) {
    if (target == nullptr) return;
    char* out = target;
    if (source != nullptr) {
        for (const char* p = source; *p != '\0'; ++p)
            if (*p != MOX_COMMA && *p != MOX_PLUS && *p != MOX_SPACE) *out++ = *p;
    }
    *out = '\0';
}
