// The exporters' number formatting against the C library's own "%f" and "%d" in the C locale.

#include "sheet/TextNumbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using namespace tsm;

namespace {

std::string Fixed(double value) {
    std::string out;
    AppendFixed6(out, value);
    return out;
}

std::string PrintfFixed(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

TEST(TextNumbers, FixedMatchesPrintfInTheCLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    // Cases where a hand-made formatter usually goes wrong: signs of zero, ties at the sixth decimal
    // (1/128 = 0.0078125 is exact and rounds to even), carries into the integer part, huge magnitudes.
    const std::pair<double, const char*> exact[] = {{0.0, "0.000000"},
                                                    {-0.0, "-0.000000"},
                                                    {-1e-9, "-0.000000"},
                                                    {0.0078125, "0.007812"},
                                                    {0.0234375, "0.023438"},
                                                    {283.46456692913387, "283.464567"},
                                                    {std::numeric_limits<double>::denorm_min(), "0.000000"}};
    for (const auto& [value, text] : exact) EXPECT_EQ(Fixed(value), text);
    const double inf = std::numeric_limits<double>::infinity(),
                 nan = std::numeric_limits<double>::quiet_NaN();
    for (double value : {9.9999995, 1e300, -std::numeric_limits<double>::max(), inf, -inf, nan, -nan})
        EXPECT_EQ(Fixed(value), PrintfFixed(value));

    // Development-sized values, values on the half-way points of the sixth decimal, and arbitrary bits.
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> points(-5000.0, 5000.0);
    int mismatches = 0;
    for (int i = 0; i < 300000 && mismatches < 5; ++i) {
        double value;
        if (i % 3 == 0) {
            value = points(random);
        } else if (i % 3 == 1) {
            value = static_cast<double>(static_cast<int64_t>(random() % 20000000) - 10000000) / 1e6 + 5e-7;
        } else {
            const uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
        }
        if (Fixed(value) != PrintfFixed(value)) {
            ++mismatches;
            ADD_FAILURE() << "value " << PrintfFixed(value) << " gave " << Fixed(value);
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TextNumbers, IntegersAndAppending) {
    std::string out = "x";
    AppendInt(out, 0);
    out += ' ';
    AppendInt(out, -2147483648LL);
    out += ' ';
    AppendInt(out, 123);
    EXPECT_EQ(out, "x0 -2147483648 123");
    // Appends after what is there; never replaces it.
    AppendFixed6(out, 1.5);
    EXPECT_EQ(out, "x0 -2147483648 1231.500000");
}

} // namespace
