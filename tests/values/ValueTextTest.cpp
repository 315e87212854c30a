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

using namespace mox::detail;

namespace {

template <class T> std::string StreamText(T value, int precision = 6) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(precision);
    out << value;
    return out.str();
}

// What the stream extraction gives: (succeeded, value).
template <class T> std::pair<bool, T> StreamRead(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    T v = 0;
    const bool ok = static_cast<bool>(in >> v);
    return {ok, ok ? v : 0};
}

// Counts (and reports the first few) words that ParseDouble reads otherwise than the stream.
void CheckRead(const std::string& word, int& mismatches) {
    double read = -99;
    const bool ok = ParseDouble(word, read);
    const auto expected = StreamRead<double>(word);
    // Compared bit for bit, to tell -0 from 0.
    const bool same = ok ? std::memcmp(&read, &expected.second, sizeof read) == 0 : read == -99;
    if ((ok != expected.first || !same) && ++mismatches < 5)
        ADD_FAILURE() << "'" << word << "' read otherwise";
}

// Counts (and reports the first few) values whose six-digit text differs from the stream's, or
// whose text or full-precision text reads back otherwise.
void CheckDouble(double v, int& mismatches) {
    char room[kNumberTextRoom];
    const std::string text(room, FormatGeneral6(room, v));
    if (text != StreamText(v) && ++mismatches < 5)
        ADD_FAILURE() << StreamText(v) << " written as " << text;
    CheckRead(text, mismatches);
    CheckRead(StreamText(v, 17), mismatches);
}

} // namespace

TEST(ValueText, DoubleTextAndReadingEqualTheStreams) {
    using Limits = std::numeric_limits<double>;
    int mismatches = 0;
    // The format boundaries, the limits and the non-finite values.
    // clang-format off
    for (double v : {0.0, 1.0, 0.1, 2.0 / 3.0, 1e-5, 0.0001, 0.00010000049, 0.000099999951, 123456.0,
                     999999.0, 999999.4, 999999.5, 99999.95, 1234567.0, 9999995.0, 1e100, 1e-300,
                     0.1 + 0.2, Limits::denorm_min(), Limits::min(), Limits::max(),
                     Limits::infinity(), Limits::quiet_NaN()})
        // clang-format on
        for (double w : {v, -v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)})
            CheckDouble(w, mismatches);
    // Decimals of few digits, as settings usually are, across the fixed-notation range.
    for (int i = 1; i <= 8000; ++i)
        for (double v : {i * 0.25, i / 1000.0, i / 100000.0, i * 37.0 / 7.0})
            for (double w : {v, -v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)})
                CheckDouble(w, mismatches);
    std::mt19937_64 random(99);
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        CheckDouble(v, mismatches); // any bit pattern
        const long long digits = static_cast<long long>(random() % 9999999) + 1;
        const int scale = static_cast<int>(random() % 16) - 10;
        CheckDouble(std::stod(std::to_string(digits) + "e" + std::to_string(scale)), mismatches);
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ValueText, IntegerAndDoubleWordsReadAsTheStreamReadsThem) {
    for (long long v : {0LL, -1LL, 7LL, static_cast<long long>(INT_MIN),
                        static_cast<long long>(INT_MAX), LLONG_MIN, LLONG_MAX}) {
        char text[kNumberTextRoom];
        EXPECT_EQ(std::string(text, FormatDecimal(text, v)), StreamText(v));
    }
    // clang-format off
    for (const std::string text : {
        " 42  }", "\t\v\f\r\n-17 }", "+8", "-0", "0000000000000000000000012", "12abc", "9223372036854775807",
        "9223372036854775808", "-9223372036854775808", "-9223372036854775809", "99999999999999999999",
        "18446744073709551616", "", "   ", "-", "+ 5", "abc", "0x10", "1,234"}) {
        // clang-format on
        long long v = -99;
        const bool ok = ParseDecimal(text.data(), text.data() + text.size(), v);
        const auto expected = StreamRead<long long>(text);
        EXPECT_EQ(std::make_pair(ok, v),
                  std::make_pair(expected.first, expected.first ? expected.second : -99))
            << "'" << text << "'";
    }
    int mismatches = 0;
    // clang-format off
    for (const std::string word : {
        "1.5", "-0", "+0.25", ".5", "-.5e-3", "5.", "1e5", "1E+5", "1e", "1e+", "e5", ".", "-", "", "1e400",
        "-1e400", "1e-400", "4.9406564584124654e-324", "2.2250738585072011e-308", "1.7976931348623157e308",
        "1.7976931348623159e308", "0x1p3", "1.5.3", "12abc", "nan", "inf", "000123.4500",
        "0.1000000000000000055511151231257827", "9007199254740993"})
        // clang-format on
        CheckRead(word, mismatches);
    EXPECT_EQ(mismatches, 0);
    const std::string text = " \v\t1.25e3x  }\r", blank = " \t ";
    EXPECT_EQ(FirstWord(text.data(), text.data() + text.size()), "1.25e3x");
    EXPECT_EQ(FirstWord(blank.data(), blank.data() + blank.size()), "");
}
