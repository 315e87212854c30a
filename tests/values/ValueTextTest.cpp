// Number text of the value records: the stream-free writers must give the classic-locale
// stream's exact bytes, and the stream-free readers the stream's exact values and failures.
#include <mox/values/internal/ValueText.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using mox::detail::AppendDecimal;
using mox::detail::AppendGeneral6;
using mox::detail::FirstWord;
using mox::detail::ParseDecimal;
using mox::detail::ParseDouble;

namespace {

template <class T> std::string StreamText(T value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

std::string General6(double value) {
    std::string text;
    AppendGeneral6(text, value);
    return text;
}

// What the stream extraction gives: (succeeded, value).
std::pair<bool, long long> StreamDecimal(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    long long v = 0;
    const bool ok = static_cast<bool>(in >> v);
    return {ok, ok ? v : 0};
}

std::pair<bool, double> StreamDouble(const std::string& word) {
    std::istringstream in(word);
    in.imbue(std::locale::classic());
    double v = 0;
    const bool ok = static_cast<bool>(in >> v);
    return {ok, ok ? v : 0};
}

bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0; // tells -0 from 0
}

double FromBits(std::uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

} // namespace

TEST(ValueText, DoubleTextEqualsTheStreamsAtTheFormatBoundaries) {
    using Limits = std::numeric_limits<double>;
    const double third = 2.0 / 3.0, tiny = Limits::denorm_min(), smallest = Limits::min();
    const double max = Limits::max(), inf = Limits::infinity(), nan = Limits::quiet_NaN();
    const double cases[] = {0.0,      -0.0,     1.0,      -1.5,          0.1,
                            third,    1e-5,     0.0001,   0.00010000049, 0.000099999951,
                            123456.0, 999999.0, 999999.5, 1234567.0,     -9999995.0,
                            1e100,    1e-300,   tiny,     smallest,      max,
                            -max,     inf,      -inf,     nan,           -nan};
    for (double v : cases)
        EXPECT_EQ(General6(v), StreamText(v)) << "bits of the value differ in %g form";
}

TEST(ValueText, DoubleTextEqualsTheStreamsForArbitraryBitPatterns) {
    std::mt19937_64 random(12345);
    int mismatches = 0;
    for (int i = 0; i < 20000; ++i) {
        const double v = FromBits(random());
        if (General6(v) != StreamText(v) && ++mismatches < 5)
            ADD_FAILURE() << StreamText(v) << " written as " << General6(v);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ValueText, DoubleTextEqualsTheStreamsForShortDecimals) {
    // Values that are the nearest double to a decimal of few digits, as settings usually are,
    // and their neighbours one unit in the last place away, across the fixed-notation range.
    int mismatches = 0;
    auto check = [&mismatches](double v) {
        for (double w : {v, -v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)}) {
            if (General6(w) != StreamText(w) && ++mismatches < 5)
                ADD_FAILURE() << StreamText(w) << " written as " << General6(w);
        }
    };
    for (int i = 1; i <= 8000; ++i) {
        check(i * 0.25);
        check(i / 1000.0);
        check(i / 100000.0);
        check(i * 37.0 / 7.0);
    }
    std::mt19937_64 random(99);
    for (int i = 0; i < 5000; ++i) {
        // A random decimal of one to seven significant digits at a random scale.
        const long long digits = static_cast<long long>(random() % 9999999) + 1;
        const int scale = static_cast<int>(random() % 16) - 10;
        check(std::stod(std::to_string(digits) + "e" + std::to_string(scale)));
    }
    for (double v : {1e-4, 0.00010000001, 0.000099999, 999999.0, 999999.4, 999999.5, 99999.95,
                     123456.5, 0.1 + 0.2, 1e6, 1e-5})
        check(v);
    EXPECT_EQ(mismatches, 0);
}

TEST(ValueText, IntegerTextEqualsTheStreamsAtTheLimits) {
    for (long long v : {0LL, -1LL, 7LL, static_cast<long long>(INT_MIN),
                        static_cast<long long>(INT_MAX), LLONG_MIN, LLONG_MAX}) {
        std::string text = "x";
        AppendDecimal(text, v);
        EXPECT_EQ(text, "x" + StreamText(v));
    }
}

TEST(ValueText, IntegerReadingAgreesWithTheStream) {
    // clang-format off
    const std::vector<std::string> cases = {
        " 42  }", "\t\v\f\r\n-17 }", "+8", "-0", "0000000000000000000000012", "12abc",
        "9223372036854775807", "9223372036854775808", "-9223372036854775808",
        "-9223372036854775809", "99999999999999999999", "18446744073709551616",
        "", "   ", "-", "+ 5", "abc", "0x10", "1,234"};
    // clang-format on
    for (const std::string& text : cases) {
        long long v = -99;
        const bool ok = ParseDecimal(text.data(), text.data() + text.size(), v);
        const auto expected = StreamDecimal(text);
        EXPECT_EQ(ok, expected.first) << "'" << text << "'";
        EXPECT_EQ(v, expected.first ? expected.second : -99) << "'" << text << "'";
    }
}

TEST(ValueText, DoubleReadingAgreesWithTheStream) {
    // clang-format off
    const std::vector<std::string> cases = {
        "1.5", "-0", "+0.25", ".5", "-.5e-3", "5.", "1e5", "1E+5",
        "1e", "1e+", "e5", ".", "-", "",
        "1e400", "-1e400", "1e-400", "4.9406564584124654e-324", "2.2250738585072011e-308",
        "1.7976931348623157e308", "1.7976931348623159e308",
        "0x1p3", "1.5.3", "12abc", "nan", "inf", "000123.4500",
        "0.1000000000000000055511151231257827", "9007199254740993"};
    // clang-format on
    for (const std::string& word : cases) {
        double v = -99;
        const bool ok = ParseDouble(word, v);
        const auto expected = StreamDouble(word);
        EXPECT_EQ(ok, expected.first) << "'" << word << "'";
        if (ok && expected.first) {
            EXPECT_TRUE(SameDouble(v, expected.second)) << "'" << word << "'";
        }
        if (!expected.first) {
            EXPECT_EQ(v, -99) << "'" << word << "' changed the value";
        }
    }
}

TEST(ValueText, WrittenDoublesReadBackAsTheStreamReadsThem) {
    std::mt19937_64 random(777);
    int mismatches = 0;
    for (int i = 0; i < 20000; ++i) {
        const double d = FromBits(random());
        // Both the archive's six-digit text and a full-precision text.
        for (const std::string& word : {General6(d), [d] {
                                            std::ostringstream out;
                                            out.imbue(std::locale::classic());
                                            out.precision(17);
                                            out << d;
                                            return out.str();
                                        }()}) {
            double v = 0;
            const bool ok = ParseDouble(word, v);
            const auto expected = StreamDouble(word);
            if ((ok != expected.first || (ok && !SameDouble(v, expected.second))) &&
                ++mismatches < 5)
                ADD_FAILURE() << "'" << word << "'";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ValueText, FirstWordSkipsStreamWhiteSpaceAndStopsAtTheNext) {
    const std::string text = " \v\t1.25e3x  }\r";
    EXPECT_EQ(FirstWord(text.data(), text.data() + text.size()), "1.25e3x");
    const std::string blank = " \t ";
    EXPECT_EQ(FirstWord(blank.data(), blank.data() + blank.size()), "");
}
