#include "model/TextStream.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tsm;

TEST(TextStream, NumbersFollowAtoiAndAtofRules) {
    // The digits before the first other character count; a word without leading digits is 0. The int32
    // limits are exact, and anything beyond saturates instead of wrapping.
    const std::pair<const char*, int32_t> ints[] = {
        {"12", 12},   {"-7", -7}, {"+5", 5}, {"007", 7}, {"12abc", 12}, {"3.9", 3},
        {"-3.9", -3}, {"abc", 0}, {"", 0},   {"-", 0},   {"+-1", 0},    {"2147483647", INT32_MAX}};
    for (const auto& [text, value] : ints) EXPECT_EQ(ParseTextInt(text), value) << text;
    EXPECT_EQ(ParseTextInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseTextInt("2147483648"), INT32_MAX);
    EXPECT_EQ(ParseTextInt("-99999999999999999999999"), INT32_MIN);
    // The longest number at the start counts, correctly rounded: an exponent letter without digits is not
    // part of it, a comma is never a decimal separator, hexadecimal is no decimal number, and values that
    // are not finite (or underflow) would poison the geometry: they read as 0.
    const std::pair<const char*, double> reals[] = {
        {"1.25", 1.25},   {"-0.5", -0.5}, {"+2", 2.0},     {".5", 0.5},  {"5.", 5.0},    {"1e3", 1000.0},
        {"2.5E-1", 0.25}, {"0.1", 0.1},   {"1e", 1.0},     {"1e+", 1.0}, {"3cm", 3.0},   {"1,5", 1.0},
        {"abc", 0.0},     {".", 0.0},     {"-", 0.0},      {"", 0.0},    {"1e400", 0.0}, {"-1e400", 0.0},
        {"inf", 0.0},     {"nan", 0.0},   {"1e-400", 0.0}, {"0x10", 0.0}};
    for (const auto& [text, value] : reals) EXPECT_EQ(ParseTextReal(text), value) << text;
}

TEST(TextStream, NumbersIgnoreACommaDecimalLocale) {
    testimage::ScopedLocale locale(LC_ALL, "de_DE.UTF-8");
    if (!locale.Active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    // The C library now reads "1.25" as 1: the reader must not.
    ASSERT_EQ(std::atof("1.25"), 1.0);
    EXPECT_EQ(ParseTextReal("1.25"), 1.25);
    EXPECT_EQ(ParseTextReal("-2.5e1"), -25.0);
    EXPECT_EQ(ParseTextReal("1,25"), 1.0);
}

TEST(TextStream, WordsLinesAndRawBytes) {
    TextStream in("  alpha\tbeta\r\n\n gamma rest of line\r\nName with  spaces\r\n2\nabc");
    EXPECT_EQ(in.Word(), "alpha");
    EXPECT_EQ(in.Word(), "beta"); // a carriage return ends a word like any whitespace
    EXPECT_EQ(in.Word(), "gamma");
    // The rest of the current line goes, then the next whole line is taken, spaces kept, CR dropped.
    in.SkipRestOfLine();
    EXPECT_EQ(in.Line(255), "Name with  spaces");
    EXPECT_EQ(in.Int(), 2);
    in.SkipRestOfLine();
    EXPECT_EQ(in.TakeBytes(4), nullptr); // only three bytes are left
    const char* bytes = in.TakeBytes(3);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, 3), "abc");
    EXPECT_TRUE(in.NoWordLeft());
    EXPECT_EQ(in.Word(), "");
    EXPECT_EQ(in.Line(255), ""); // at the end a line is empty
}
