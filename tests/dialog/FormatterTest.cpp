#include <mox/dialog/CmoxFormatter.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// A buffer with a guard area, to prove a conversion writes no more than it may.
struct GuardedBuffer {
    char bytes[64];
    GuardedBuffer() { std::memset(bytes, '#', sizeof bytes); }
    // Whether everything from `from` on is still untouched.
    bool UntouchedFrom(int from) const {
        for (int i = from; i < static_cast<int>(sizeof bytes); ++i)
            if (bytes[i] != '#') return false;
        return true;
    }
};

// Also drops underscores, as an application might for digit grouping of its own.
class UnderscoreFormatter : public CmoxFormatter {
  public:
    void PreprocessText(const char* source, char* target) override {
        char base[CmoxFormatter::PREPROCESS_SIZE];
        CmoxFormatter::PreprocessText(source, base);
        char* out = target;
        for (const char* p = base; *p != '\0'; ++p)
            if (*p != '_') *out++ = *p;
        *out = '\0';
    }
};

// One row of a parsing table: the text and the number it reads as.
template <class T> struct Parsed {
    const char* text;
    T value;
};

} // namespace

TEST(Formatter, PreprocessDropsCommasPlusSignsAndSpacesOnly) {
    CmoxFormatter f;
    char out[64];
    // Only the three separators go; a tab is not a space.
    const struct {
        const char* text;
        const char* kept;
    } rows[] = {{" +1,234 -5.6e7 ,", "1234-5.6e7"}, {"", ""}, {"\t1_2", "\t1_2"}};
    for (const auto& row : rows) {
        f.PreprocessText(row.text, out);
        EXPECT_STREQ(row.kept, out) << row.text;
    }
}

TEST(Formatter, TextToLongIgnoresSeparatorsStopsAtUnusableCharactersAndSaturates) {
    CmoxFormatter f;
    const Parsed<long> rows[] = {{"1,234", 1234},
                                 {"+ 5", 5},
                                 {"-7", -7},
                                 {"12abc", 12},
                                 {"1.9", 1},
                                 {"- 1,234,567", -1234567},
                                 {"abc", 0},
                                 {"", 0},
                                 {"2,147,483,647", INT_MAX},
                                 {"3000000000", INT_MAX},
                                 {"-2147483648", INT_MIN},
                                 {"-99999999999999999999999", INT_MIN}};
    for (const auto& row : rows)
        EXPECT_EQ(row.value, f.TextToLong(row.text)) << row.text;
    EXPECT_EQ(0L, f.TextToLong(nullptr));
}

TEST(Formatter, TextToByteKeepsLowEightBitsOfTheSaturatedNumber) {
    CmoxFormatter f;
    // -212 is 0x...FF2C; 4294967596 saturates to 2147483647, which ends in 0xFF.
    const Parsed<int> rows[] = {{"300", 44}, {"-1", 255},    {"256", 0},         {"1,0,0", 100},
                                {",,", 0},   {"-212", 0x2C}, {"4294967596", 255}};
    for (const auto& row : rows)
        EXPECT_EQ(row.value, f.TextToByte(row.text)) << row.text;
}

TEST(Formatter, TextToDoubleReadsDecimalAndExponentForms) {
    CmoxFormatter f;
    EXPECT_DOUBLE_EQ(1000.5, f.TextToDouble("1,000.5"));
    EXPECT_DOUBLE_EQ(-0.0025, f.TextToDouble("-2.5e-3"));
    EXPECT_DOUBLE_EQ(1000.0, f.TextToDouble("+1 e3"));
    EXPECT_EQ(0.0, f.TextToDouble("x1"));
}

TEST(Formatter, TextToLongLongGoesThroughDoubleTruncatesAndSaturates) {
    CmoxFormatter f;
    // Beyond 2^53 only as exact as a double: 2^53 + 1 reads as 2^53.
    const Parsed<long long> rows[] = {{"-2.9", -2},
                                      {"2.9", 2},
                                      {"1.5e3", 1500},
                                      {"1,234,567,890,123", 1234567890123LL},
                                      {"9,007,199,254,740,993", 9007199254740992LL},
                                      {"1e30", LLONG_MAX},
                                      {"-1e30", LLONG_MIN},
                                      {"inf", LLONG_MAX},
                                      {"nan", 0},
                                      {"--1", 0},
                                      {"-9223372036854775808", LLONG_MIN}};
    for (const auto& row : rows)
        EXPECT_EQ(row.value, f.TextToLongLong(row.text)) << row.text;
}

TEST(Formatter, ToTextWritesWithinEachConversionsBufferBound) {
    CmoxFormatter f;
    GuardedBuffer a, b, c, d, e;
    f.LongToText(-2147483647L - 1, a.bytes);
    EXPECT_STREQ("-2147483648", a.bytes);
    EXPECT_TRUE(a.UntouchedFrom(12));
    f.LongToText(LONG_MAX, b.bytes); // wider than the 32-bit values cells hold: cut
    EXPECT_EQ(11u, std::strlen(b.bytes));
    EXPECT_TRUE(b.UntouchedFrom(12));
    f.ByteToText(255, c.bytes);
    EXPECT_STREQ("255", c.bytes);
    EXPECT_TRUE(c.UntouchedFrom(5));
    f.DoubleToText(-1.5e-300, d.bytes);
    EXPECT_STREQ("-1.5e-300", d.bytes);
    EXPECT_TRUE(d.UntouchedFrom(21));
    f.LongLongToText(LLONG_MIN, e.bytes);
    EXPECT_STREQ("-9223372036854775808", e.bytes);
    EXPECT_TRUE(e.UntouchedFrom(21));
    f.LongLongToText(LLONG_MAX, e.bytes);
    EXPECT_STREQ("9223372036854775807", e.bytes);
    // Doubles in the shortest general form.
    const struct {
        double value;
        const char* text;
    } doubles[] = {{0.1, "0.1"}, {1000.5, "1000.5"}, {123456789.0, "1.23457e+08"}, {1e20, "1e+20"}};
    for (const auto& row : doubles) {
        f.DoubleToText(row.value, d.bytes);
        EXPECT_STREQ(row.text, d.bytes);
    }
}

TEST(Formatter, OverriddenPreprocessChangesAllFourParsers) {
    UnderscoreFormatter f;
    EXPECT_EQ(1000L, f.TextToLong("1_000"));
    EXPECT_EQ(200, f.TextToByte("2_00"));
    EXPECT_DOUBLE_EQ(1000.25, f.TextToDouble("1_000.25"));
    EXPECT_EQ(1000000LL, f.TextToLongLong("1_000_000"));
    EXPECT_EQ(1L, CmoxFormatter().TextToLong("1_000"));
}

TEST(Formatter, OverlongTextIsReadFromItsFirstCharactersWithoutOverrunning) {
    CmoxFormatter f;
    // A 5, then enough spaces that the 7 lies past the preprocessing buffer.
    EXPECT_EQ(5L, f.TextToLong(("5" + std::string(300, ' ') + "7").c_str()));
    const std::string digits(1000, '9');
    EXPECT_EQ(2147483647L, f.TextToLong(digits.c_str()));
    EXPECT_EQ(LLONG_MAX, f.TextToLongLong(digits.c_str()));
    EXPECT_EQ(0.0, f.TextToDouble(std::string(600, ',').c_str()));
}
