#include <mox/dialog/CmoxFormatter.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
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

} // namespace

TEST(Formatter, PreprocessDropsCommasPlusSignsAndSpacesOnly) {
    CmoxFormatter f;
    char out[64];
    f.PreprocessText(" +1,234 -5.6e7 ,", out);
    EXPECT_STREQ("1234-5.6e7", out);
    f.PreprocessText("", out);
    EXPECT_STREQ("", out);
    f.PreprocessText("\t1_2", out); // only the three separators go; a tab is not a space
    EXPECT_STREQ("\t1_2", out);
}

TEST(Formatter, TextToLongIgnoresSeparatorsAndStopsAtFirstUnusableCharacter) {
    CmoxFormatter f;
    EXPECT_EQ(1234L, f.TextToLong("1,234"));
    EXPECT_EQ(5L, f.TextToLong("+ 5"));
    EXPECT_EQ(-7L, f.TextToLong("-7"));
    EXPECT_EQ(12L, f.TextToLong("12abc"));
    EXPECT_EQ(1L, f.TextToLong("1.9"));
    EXPECT_EQ(-1234567L, f.TextToLong("- 1,234,567"));
}

TEST(Formatter, TextWithoutNumberConvertsToZero) {
    CmoxFormatter f;
    EXPECT_EQ(0L, f.TextToLong("abc"));
    EXPECT_EQ(0L, f.TextToLong(""));
    EXPECT_EQ(0L, f.TextToLong(nullptr));
    EXPECT_EQ(0, f.TextToByte(",,"));
    EXPECT_EQ(0.0, f.TextToDouble("x1"));
    EXPECT_EQ(0LL, f.TextToLongLong("--1"));
}

TEST(Formatter, TextToLongSaturatesAtThirtyTwoBitLimits) {
    CmoxFormatter f;
    EXPECT_EQ(2147483647L, f.TextToLong("2,147,483,647"));
    EXPECT_EQ(2147483647L, f.TextToLong("3000000000"));
    EXPECT_EQ(-2147483647L - 1, f.TextToLong("-2147483648"));
    EXPECT_EQ(-2147483647L - 1, f.TextToLong("-99999999999999999999999"));
}

TEST(Formatter, TextToByteKeepsLowEightBits) {
    CmoxFormatter f;
    EXPECT_EQ(44, f.TextToByte("300"));
    EXPECT_EQ(255, f.TextToByte("-1"));
    EXPECT_EQ(0, f.TextToByte("256"));
    EXPECT_EQ(100, f.TextToByte("1,0,0"));
    EXPECT_EQ(0x2C, f.TextToByte("-212")); // -212 = 0x...FF2C
    // Out of the integer range the number saturates first: 2147483647 ends in 0xFF.
    EXPECT_EQ(255, f.TextToByte("4294967596"));
}

TEST(Formatter, TextToDoubleReadsDecimalAndExponentForms) {
    CmoxFormatter f;
    EXPECT_DOUBLE_EQ(1000.5, f.TextToDouble("1,000.5"));
    EXPECT_DOUBLE_EQ(-0.0025, f.TextToDouble("-2.5e-3"));
    EXPECT_DOUBLE_EQ(1000.0, f.TextToDouble("+1 e3"));
}

TEST(Formatter, TextToLongLongGoesThroughDoubleAndTruncatesTowardZero) {
    CmoxFormatter f;
    EXPECT_EQ(-2LL, f.TextToLongLong("-2.9"));
    EXPECT_EQ(2LL, f.TextToLongLong("2.9"));
    EXPECT_EQ(1500LL, f.TextToLongLong("1.5e3"));
    EXPECT_EQ(1234567890123LL, f.TextToLongLong("1,234,567,890,123"));
    // Beyond 2^53 only as exact as a double: 2^53 + 1 reads as 2^53.
    EXPECT_EQ(9007199254740992LL, f.TextToLongLong("9,007,199,254,740,993"));
}

TEST(Formatter, TextToLongLongSaturatesOutOfRangeAndReadsNotANumberAsZero) {
    CmoxFormatter f;
    EXPECT_EQ(LLONG_MAX, f.TextToLongLong("1e30"));
    EXPECT_EQ(LLONG_MIN, f.TextToLongLong("-1e30"));
    EXPECT_EQ(LLONG_MAX, f.TextToLongLong("inf"));
    EXPECT_EQ(0LL, f.TextToLongLong("nan"));
    EXPECT_EQ(LLONG_MIN, f.TextToLongLong("-9223372036854775808"));
}

TEST(Formatter, EachToTextWritesNoMoreThanItsBufferSize) {
    CmoxFormatter f;
    struct Case {
        std::function<void(char*)> write;
        const char* text; // nullptr: only the length is known (a long wider than 32 bits)
        int bound;        // the bytes it may write, its terminator included
    };
    const Case cases[] = {
        {[&](char* out) { f.LongToText(-2147483647L - 1, out); }, "-2147483648", 12},
        {[&](char* out) { f.LongToText(0, out); }, "0", 12},
        {[&](char* out) { f.LongToText(LONG_MAX, out); }, nullptr, 12},
        {[&](char* out) { f.DoubleToText(-1.5e-300, out); }, "-1.5e-300", 21},
        {[&](char* out) { f.ByteToText(255, out); }, "255", 5},
        {[&](char* out) { f.ByteToText(7, out); }, "7", 5},
        {[&](char* out) { f.LongLongToText(LLONG_MIN, out); }, "-9223372036854775808", 21},
        {[&](char* out) { f.LongLongToText(LLONG_MAX, out); }, "9223372036854775807", 21},
    };
    for (const Case& c : cases) {
        GuardedBuffer buffer;
        c.write(buffer.bytes);
        if (c.text != nullptr)
            EXPECT_STREQ(c.text, buffer.bytes);
        else
            EXPECT_EQ(std::strlen(buffer.bytes), static_cast<std::size_t>(c.bound - 1));
        EXPECT_TRUE(buffer.UntouchedFrom(c.bound)) << buffer.bytes;
    }
}

TEST(Formatter, DoubleToTextUsesShortestGeneralForm) {
    CmoxFormatter f;
    char text[CmoxFormatter::DOUBLE_TEXT_SIZE];
    f.DoubleToText(0.1, text);
    EXPECT_STREQ("0.1", text);
    f.DoubleToText(1000.5, text);
    EXPECT_STREQ("1000.5", text);
    f.DoubleToText(123456789.0, text);
    EXPECT_STREQ("1.23457e+08", text);
    f.DoubleToText(1e20, text);
    EXPECT_STREQ("1e+20", text);
}

TEST(Formatter, TextRoundTripsThroughEachConversion) {
    CmoxFormatter f;
    char text[CmoxFormatter::DOUBLE_TEXT_SIZE];
    f.LongToText(-123456, text);
    EXPECT_EQ(-123456L, f.TextToLong(text));
    f.ByteToText(200, text);
    EXPECT_EQ(200, f.TextToByte(text));
    f.LongLongToText(-9007199254740992LL, text);
    EXPECT_EQ(-9007199254740992LL, f.TextToLongLong(text));
    f.DoubleToText(-2.5e-7, text);
    EXPECT_DOUBLE_EQ(-2.5e-7, f.TextToDouble(text));
}

TEST(Formatter, OverriddenPreprocessChangesAllFourParsers) {
    UnderscoreFormatter f;
    EXPECT_EQ(1000L, f.TextToLong("1_000"));
    EXPECT_EQ(200, f.TextToByte("2_00"));
    EXPECT_DOUBLE_EQ(1000.25, f.TextToDouble("1_000.25"));
    EXPECT_EQ(1000000LL, f.TextToLongLong("1_000_000"));
    CmoxFormatter plain;
    EXPECT_EQ(1L, plain.TextToLong("1_000"));
}

TEST(Formatter, OverlongTextIsReadFromItsFirstCharactersWithoutOverrunning) {
    CmoxFormatter f;
    // A 5, then enough spaces that the 7 lies past the preprocessing buffer.
    const std::string spaced = "5" + std::string(300, ' ') + "7";
    EXPECT_EQ(5L, f.TextToLong(spaced.c_str()));
    const std::string digits(1000, '9');
    EXPECT_EQ(2147483647L, f.TextToLong(digits.c_str()));
    EXPECT_EQ(LLONG_MAX, f.TextToLongLong(digits.c_str()));
    const std::string commas(600, ',');
    EXPECT_EQ(0.0, f.TextToDouble(commas.c_str()));
}
