#include "dialog/DialogTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <sstream>
#include <string>

namespace {

// Also drops underscores, as an application might for digit grouping of its own.
class UnderscoreFormatter : public CmoxFormatter {
  public:
    void PreprocessText(const char* source, char* target) override {
        CmoxFormatter::PreprocessText(source, target);
        *std::remove(target, target + std::strlen(target), '_') = '\0';
    }
};

// What a ...ToText call writes into a buffer of '#', checking it wrote nothing past its end.
template <class Write> std::string Shown(Write write) {
    char bytes[64];
    std::memset(bytes, '#', sizeof bytes);
    write(bytes);
    const size_t end = std::strlen(bytes) + 1;
    EXPECT_EQ(std::string(sizeof bytes - end, '#'), std::string(bytes + end, sizeof bytes - end));
    return bytes;
}

} // namespace

// Each text through the preprocessing and the four parsers, each result written back by its
// ...ToText: "[kept] long byte double longlong |". Only commas, plus signs and spaces go (a tab
// is no space); long saturates at 32 bits, byte is the low 8 bits of that saturated long, long
// long goes through double and truncates; doubles show six significant digits.
TEST(Formatter, ParsersAndWritersTranscript) {
    CmoxFormatter f;
    std::ostringstream out;
    char kept[CmoxFormatter::PREPROCESS_SIZE];
    std::istringstream texts(
        " +1,234 -5.6e7 ,||\t1_2|-7|12abc|1.9|-2.9|- 1,234,567|x1|2,147,483,647|"
        "3000000000|-2147483648|-99999999999999999999999|300|-1|-212|4294967596|1,000.5|"
        "-2.5e-3|+1 e3|9,007,199,254,740,993|1e30|-1e30|inf|nan|--1|-9223372036854775808|"
        "0.1|-1.5e-300");
    for (std::string line; std::getline(texts, line, '|');) {
        const char* text = line.c_str();
        f.PreprocessText(text, kept);
        out << '[' << kept << "] " << Shown([&](char* b) { f.LongToText(f.TextToLong(text), b); })
            << ' ' << Shown([&](char* b) { f.ByteToText(f.TextToByte(text), b); }) << ' '
            << Shown([&](char* b) { f.DoubleToText(f.TextToDouble(text), b); }) << ' '
            << Shown([&](char* b) { f.LongLongToText(f.TextToLongLong(text), b); }) << " | ";
    }
    out << Shown([&](char* b) { f.LongToText(LONG_MAX, b); }); // cut to the 32-bit width
    EXPECT_EQ(
        "[1234-5.6e7] 1234 210 1234 1234 | [] 0 0 0 0 | [\t1_2] 1 1 1 1 | [-7] -7 249 -7 -7 | "
        "[12abc] 12 12 12 12 | [1.9] 1 1 1.9 1 | [-2.9] -2 254 -2.9 -2 | "
        "[-1234567] -1234567 121 -1.23457e+06 -1234567 | [x1] 0 0 0 0 | "
        "[2147483647] 2147483647 255 2.14748e+09 2147483647 | "
        "[3000000000] 2147483647 255 3e+09 3000000000 | "
        "[-2147483648] -2147483648 0 -2.14748e+09 -2147483648 | "
        "[-99999999999999999999999] -2147483648 0 -1e+23 -9223372036854775808 | "
        "[300] 300 44 300 300 | [-1] -1 255 -1 -1 | [-212] -212 44 -212 -212 | "
        "[4294967596] 2147483647 255 4.29497e+09 4294967596 | [1000.5] 1000 232 1000.5 1000 | "
        "[-2.5e-3] -2 254 -0.0025 0 | [1e3] 1 1 1000 1000 | "
        "[9007199254740993] 2147483647 255 9.0072e+15 9007199254740992 | "
        "[1e30] 1 1 1e+30 9223372036854775807 | [-1e30] -1 255 -1e+30 -9223372036854775808 | "
        "[inf] 0 0 inf 9223372036854775807 | [nan] 0 0 nan 0 | [--1] 0 0 0 0 | "
        "[-9223372036854775808] -2147483648 0 -9.22337e+18 -9223372036854775808 | "
        "[0.1] 0 0 0.1 0 | [-1.5e-300] -1 255 -1.5e-300 0 | 92233720368",
        out.str());
    EXPECT_EQ(0L, f.TextToLong(nullptr));
    // Overlong text is read from its first characters: the 7 lies past the preprocessing buffer.
    const std::string digits(1000, '9');
    EXPECT_EQ("5 2147483647 9223372036854775807 0",
              moxtest::Joined(f.TextToLong(("5" + std::string(300, ' ') + "7").c_str()),
                              f.TextToLong(digits.c_str()), f.TextToLongLong(digits.c_str()),
                              f.TextToDouble(std::string(600, ',').c_str())));
    // An override of the preprocessing changes all four parsers.
    UnderscoreFormatter u;
    EXPECT_EQ("1000 200 1000.25 1000000",
              moxtest::Joined(u.TextToLong("1_000"), u.TextToByte("2_00"),
                              u.TextToDouble("1_000.25"), u.TextToLongLong("1_000_000")));
}
