#include <mox/propagation/Cmox.h>
#include <mox/values/MoxEngUnits.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(EngUnits, UnitLettersAreCaseSensitiveAndEngValueScalesToPicoUnitsAndSaturates) {
    for (char c : std::string("GMKmunp kgNUPx0\0", 16)) {
        const int unit = std::string("GMKmunp").find(c) != std::string::npos ? 1 : 0;
        EXPECT_EQ(MoxIsEngUnit(c), unit) << static_cast<int>(c);
        EXPECT_EQ(Cmox::IsEngUnit(c), unit) << static_cast<int>(c);
    }
    const struct {
        __int64 value;
        char unit;
        __int64 expected;
    } rows[] = {// clang-format off
        {5, 'M', 5000000000000000000LL}, {5, 'K', 5000000000000000LL}, {5, ' ', 5000000000000LL},
        {5, 'm', 5000000000LL}, {5, 'u', 5000000LL}, {-5, 'n', -5000LL}, {5, 'p', 5},
        {LLONG_MIN, 'p', LLONG_MIN}, {9, 'M', 9000000000000000000LL}, {-9, 'M', -9000000000000000000LL},
        // Giga and unknown characters give zero; products out of range saturate.
        {5, 'G', 0}, {5, 'k', 0}, {5, 'x', 0}, {10, 'M', LLONG_MAX}, {-10, 'M', LLONG_MIN}};
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_EQ(MoxEngValue(row.value, row.unit), row.expected) << row.value << row.unit;
        EXPECT_EQ(Cmox::EngValue(row.value, row.unit), row.expected) << row.value << row.unit;
    }
}

// Round trips of any value are also checked by the text fuzzer.
TEST(LongLongText, ReadsSignedDecimalFromTheStartOrGivesZeroAndSaturatesAndWritesPlainDecimal) {
    // clang-format off
    const std::pair<const char*, __int64> rows[] = {
        {"  -12", -12}, {"42abc", 42}, {"+17 9", 17}, {"\t\n 5m", 5}, {"1.9", 1}, {"", 0}, {"abc", 0},
        {"-", 0}, {"- 5", 0}, {nullptr, 0}, {"9223372036854775807", LLONG_MAX},
        {"9223372036854775808", LLONG_MAX}, {"-9223372036854775808", LLONG_MIN},
        {"-9223372036854775809", LLONG_MIN}, {"123456789012345678901234567890", LLONG_MAX}};
    // clang-format on
    for (const auto& [text, value] : rows)
        EXPECT_EQ(Cmox::TextToLongLong(text), value) << (text ? text : "null");
    for (__int64 v : {0LL, 1LL, -1LL, 9LL, -10LL, 1000000LL, -1234567890123LL, LLONG_MAX, LLONG_MIN,
                      MOX_LONGLONG_MIN}) {
        EXPECT_EQ(Cmox::LongLongToText(v), std::to_string(v));
        EXPECT_EQ(Cmox::TextToLongLong(std::to_string(v).c_str()), v);
    }
}
