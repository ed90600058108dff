// Decimal conversion and case folding must match the C library's default locale exactly.
#include "platform/c_locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace pagevet::platform {
namespace {

struct DecimalCase {
    std::string text;
    std::int32_t value;
};

class ToInt32 : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ToInt32, ReadsLikeStrtolClampedTo32Bits) {
    const DecimalCase& c = GetParam();
    EXPECT_EQ(toInt32(c.text), c.value) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToInt32,
    ::testing::Values(DecimalCase{"512", 512}, DecimalCase{"512\n", 512},
                      DecimalCase{"512,x\n", 512}, DecimalCase{"", 0}, DecimalCase{"\n", 0},
                      DecimalCase{"abc", 0}, DecimalCase{"+3", 3}, DecimalCase{"-2", -2},
                      DecimalCase{" \t\n\v\f\r42", 42}, DecimalCase{"+-3", 0},
                      DecimalCase{"- 3", 0}, DecimalCase{"-", 0}, DecimalCase{"12abc", 12},
                      DecimalCase{"0x10", 0}, DecimalCase{"007", 7},
                      DecimalCase{"2147483647", 2147483647}, DecimalCase{"2147483648", 2147483647},
                      DecimalCase{"99999999999", 2147483647}, DecimalCase{"-2147483648", INT32_MIN},
                      DecimalCase{"-2147483649", INT32_MIN},
                      DecimalCase{"-99999999999999999999999999", INT32_MIN},
                      DecimalCase{"\xa0"
                                  "5",
                                  0}));

// Every digit-and-sign string strtol can see, compared against strtol itself on the
// values that fit, so the hand-written loop cannot drift from the library's rules.
TEST(ToInt32, AgreesWithStrtolInsideTheRange) {
    for (const char* text : {"0", "-0", "  +17 ", "\t-512\r\n", "1e5", "  - 1", "2147483647",
                             "-2147483648", "  000000000000000000000123"}) {
        EXPECT_EQ(toInt32(text), static_cast<std::int32_t>(std::strtol(text, nullptr, 10)))
            << '"' << text << '"';
    }
}

// Digits are read up to eight at a time: every count of digits, with and without room for
// a whole word, followed by every kind of byte, must read as strtol reads it, clamped.
TEST(ToInt32, AgreesWithStrtolForEveryDigitCountAndEnding) {
    for (const char* ending : {"", "\n", "x", "/", ":", "\xb0", "0\n", " 77777777"}) {
        for (std::size_t count = 0; count <= 10; ++count) {
            for (const char* lead : {"", " ", "-", "+"}) {
                const std::string text = lead + std::string("9081726354").substr(0, count) + ending;
                const long value = std::strtol(text.c_str(), nullptr, 10);
                EXPECT_EQ(toInt32(text), std::clamp<long>(value, INT32_MIN, INT32_MAX))
                    << '"' << text << '"';
            }
        }
    }
}

TEST(EqualsIgnoringCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(equalsIgnoringCase("b", "B"));
    EXPECT_TRUE(equalsIgnoringCase("5", "5"));
    EXPECT_TRUE(equalsIgnoringCase("", ""));
    EXPECT_FALSE(equalsIgnoringCase("BB", "B"));
    EXPECT_FALSE(equalsIgnoringCase("5x", "5"));
    EXPECT_FALSE(equalsIgnoringCase("[", "{"));  // 0x5B and 0x7B differ by the case bit
    EXPECT_FALSE(equalsIgnoringCase("\xc4", "\xe4"));
}

}  // namespace
}  // namespace pagevet::platform
