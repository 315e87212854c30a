#include <mox/propagation/Cmox.h>
#include <mox/values/MoxEngUnits.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(EngUnits, UnitLettersAreCaseSensitiveAndExcludeTheSpace) {
    for (char c : std::string("GMKmunp")) {
        EXPECT_EQ(Cmox::IsEngUnit(c), 1) << c;
        EXPECT_EQ(MoxIsEngUnit(c), 1) << c;
    }
    for (char c : std::string(" kgNUPx0\0", 9)) {
        EXPECT_EQ(Cmox::IsEngUnit(c), 0) << static_cast<int>(c);
        EXPECT_EQ(MoxIsEngUnit(c), 0) << static_cast<int>(c);
    }
}

TEST(EngUnits, EngValueScalesToPicoUnitsSaturatesAndKnowsNoGiga) {
    EXPECT_EQ(Cmox::EngValue(5, 'M'), 5000000000000000000LL);
    EXPECT_EQ(Cmox::EngValue(5, 'K'), 5000000000000000LL);
    EXPECT_EQ(Cmox::EngValue(5, ' '), 5000000000000LL);
    EXPECT_EQ(Cmox::EngValue(5, 'm'), 5000000000LL);
    EXPECT_EQ(Cmox::EngValue(5, 'u'), 5000000LL);
    EXPECT_EQ(Cmox::EngValue(-5, 'n'), -5000LL);
    EXPECT_EQ(Cmox::EngValue(5, 'p'), 5);
    EXPECT_EQ(Cmox::EngValue(LLONG_MIN, 'p'), LLONG_MIN);
    // Giga and unknown characters give zero.
    EXPECT_EQ(Cmox::EngValue(5, 'G'), 0);
    EXPECT_EQ(Cmox::EngValue(5, 'k'), 0);
    EXPECT_EQ(Cmox::EngValue(5, 'x'), 0);
    // Products out of range saturate.
    EXPECT_EQ(Cmox::EngValue(10, 'M'), LLONG_MAX);
    EXPECT_EQ(Cmox::EngValue(-10, 'M'), LLONG_MIN);
    EXPECT_EQ(Cmox::EngValue(9, 'M'), 9000000000000000000LL);
    EXPECT_EQ(Cmox::EngValue(-9, 'M'), -9000000000000000000LL);
}

TEST(EngUnits, FreeFunctionsForwardToTheEngine) {
    for (char c : std::string("GMK munpxk")) {
        EXPECT_EQ(MoxEngValue(7, c), Cmox::EngValue(7, c)) << c;
        EXPECT_EQ(MoxEngValue(-9, c), Cmox::EngValue(-9, c)) << c;
    }
}

TEST(LongLongText, WritesPlainSignedDecimal) {
    EXPECT_EQ(Cmox::LongLongToText(0), "0");
    EXPECT_EQ(Cmox::LongLongToText(-9223372036854775807LL), "-9223372036854775807");
    EXPECT_EQ(Cmox::LongLongToText(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(Cmox::LongLongToText(LLONG_MAX), "9223372036854775807");
    EXPECT_EQ(Cmox::LongLongToText(1000000), "1000000");
}

TEST(LongLongText, ReadsSignedDecimalFromTheStartOrGivesZero) {
    EXPECT_EQ(Cmox::TextToLongLong("  -12"), -12);
    EXPECT_EQ(Cmox::TextToLongLong("42abc"), 42);
    EXPECT_EQ(Cmox::TextToLongLong("+17 9"), 17);
    EXPECT_EQ(Cmox::TextToLongLong("\t\n 5m"), 5) << "no unit suffix is interpreted";
    EXPECT_EQ(Cmox::TextToLongLong("1.9"), 1);
    EXPECT_EQ(Cmox::TextToLongLong(""), 0);
    EXPECT_EQ(Cmox::TextToLongLong("abc"), 0);
    EXPECT_EQ(Cmox::TextToLongLong("-"), 0);
    EXPECT_EQ(Cmox::TextToLongLong("- 5"), 0);
    EXPECT_EQ(Cmox::TextToLongLong(nullptr), 0);
}

TEST(LongLongText, NumbersBeyondTheRangeSaturate) {
    EXPECT_EQ(Cmox::TextToLongLong("9223372036854775807"), LLONG_MAX);
    EXPECT_EQ(Cmox::TextToLongLong("9223372036854775808"), LLONG_MAX);
    EXPECT_EQ(Cmox::TextToLongLong("-9223372036854775808"), LLONG_MIN);
    EXPECT_EQ(Cmox::TextToLongLong("-9223372036854775809"), LLONG_MIN);
    EXPECT_EQ(Cmox::TextToLongLong("123456789012345678901234567890"), LLONG_MAX);
}

TEST(LongLongText, RoundTripsEveryMagnitude) {
    const __int64 max = LLONG_MAX, min = LLONG_MIN, symmetricMin = MOX_LONGLONG_MIN;
    const __int64 samples[] = {
        0, 1, -1, 9, 10, -10, 999999999999LL, max, min, symmetricMin, 4611686018427387904LL};
    for (__int64 v : samples)
        EXPECT_EQ(Cmox::TextToLongLong(Cmox::LongLongToText(v).c_str()), v) << v;
    unsigned long long x = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 1000; ++i) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        const auto v =
            static_cast<__int64>(x >> 1) - static_cast<__int64>(x & 0x3FFFFFFFFFFFFFFFull);
        EXPECT_EQ(Cmox::TextToLongLong(Cmox::LongLongToText(v).c_str()), v) << v;
    }
}
