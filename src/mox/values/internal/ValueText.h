#pragma once
/// @file
/// Number text of the value records without string streams: the exact text the classic-locale
/// stream writes, and the values the stream reads back, computed with <charconv>. Anything the
/// fast readers do not recognise as plain goes through the stream after all, so results never
/// differ from the stream's. Exported only so that the tests can hold them to the stream.

#include <mox/platform/types.h>

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace mox::detail {

/// Room the formatters below need at `out`, their terminating NUL included.
inline constexpr std::size_t kNumberTextRoom = 32;

/// Writes `value` in decimal at `out`, as `stream << value` writes it in the classic locale, and
/// a NUL; returns the end of the text (where the NUL is).
MOX_API char* FormatDecimal(char* out, long long value);

/// Writes `value` at `out` as `stream << value` writes it in the classic locale with the
/// stream's default precision: printf's "%g" with six significant digits ("nan", "-nan", "inf"
/// and "-inf" for the non-finite values); then a NUL. Returns the end of the text.
MOX_API char* FormatGeneral6(char* out, double value);

/// The classic locale's white space: what stream extraction skips.
inline bool IsClassicSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// `stream >> v` for a long long on the text [begin, end): leading white space skipped, an
/// optional sign, decimal digits up to the first other character. False when the stream's
/// extraction fails (no digits, or beyond the 64-bit range); `out` is then untouched.
MOX_API bool ParseDecimal(const char* begin, const char* end, long long& out);

/// The first white-space-delimited word of [begin, end), as `stream >> std::string` takes it
/// (empty when there is none).
MOX_API std::string_view FirstWord(const char* begin, const char* end);

/// `stream >> v` for a double on the whole of `word` (the classic locale's reading: a number
/// that starts the word, the rest ignored; "nan" and "inf" not accepted). False when it fails.
MOX_API bool ParseDouble(std::string_view word, double& out);

} // namespace mox::detail
