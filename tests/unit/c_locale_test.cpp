// Decimal conversion and case folding must match the C library's default locale exactly.
#include "platform/c_locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

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

// A text read from the eight bytes that end it, inside a longer line, reads exactly as
// the text alone: every short text of digits, signs, spaces and other bytes, at the end of
// the line and inside it, with every length of line before it (the bytes before are
// digits, so that any that leaked into the number would change it).
TEST(ToInt32InLine, ReadsAsTheTextAloneWhereverTheTextSits) {
    const std::string alphabet = "0123456789 +-\n\r,x\x1a\xb0";
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return seed >> 16;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t length = next() % 12;
        const bool digitsFirst = next() % 4 != 0;
        for (std::size_t at = 0; at < length; ++at) {
            text += (digitsFirst && at + 2 < length + next() % 3) || next() % 2 == 0
                        ? static_cast<char>('0' + next() % 10)
                        : alphabet[next() % alphabet.size()];
        }
        const std::string before(next() % 12, '7');
        const std::string after = next() % 2 == 0 ? "" : ",99\n";
        const std::string line = before + text + after;
        const std::string_view inLine = std::string_view(line).substr(before.size(), text.size());
        EXPECT_EQ(toInt32InLine(inLine, line), toInt32(text))
            << '"' << text << "\" in \"" << line << '"';
    }
}

TEST(ToInt32InLine, ReadsListedSizesAtTheEndOfTheirLines) {
    for (const char* size :
         {"0\n", "5\n", "512\n", "1024", "4096\n", "999999\n", "1234567\n", "12345678\n",
          "2147483648\n", "512x\n", "5 12\n", "-512\n", " 512\n", "\n"}) {
        const std::string line = std::string("/srv/a/,B.DAT,2026-11-01,00:00,A,") + size;
        const std::string_view text =
            std::string_view(line).substr(line.size() - std::strlen(size));
        EXPECT_EQ(toInt32InLine(text, line), toInt32(text)) << '"' << size << '"';
        EXPECT_EQ(toInt32InLine(text, line),
                  std::clamp<long>(std::strtol(size, nullptr, 10), INT32_MIN, INT32_MAX));
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
