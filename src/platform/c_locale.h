// Text rules of the C library's default locale that the listing and the command line rely
// on: decimal conversion as strtol does it, and ASCII case folding. Hand-written so that
// the result is the same on every platform and cheap enough for every listing line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pagevet::platform {

// The decimal value of text as strtol reads it in the default locale, clamped to 32 bits:
// leading white space (space, \t \n \v \f \r) skipped, one optional sign directly before
// the digits, digits up to the first other character; 0 when there is no digit.
[[nodiscard]] std::int32_t toInt32AnyText(std::string_view text);

// The same, inline for the usual listed size: a text of fewer than eight characters that
// starts with a digit (a few digits and the line end). It is read for every line of a
// listing in a time-saving mode; everything else goes to toInt32AnyText.
[[nodiscard]] inline std::int32_t toInt32(std::string_view text) {
    constexpr std::size_t shortText = 8;  // seven digits cannot pass the 32-bit limit
    const auto digitValue = [](char c) {
        return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
    };
    if (text.empty() || text.size() >= shortText || digitValue(text[0]) > 9) {
        return toInt32AnyText(text);
    }
    std::int32_t value = 0;
    for (const char c : text) {
        const unsigned digit = digitValue(c);
        if (digit > 9) {
            break;
        }
        value = value * 10 + static_cast<std::int32_t>(digit);
    }
    return value;
}

// Equal when both have the same length and differ only in the case of ASCII letters.
[[nodiscard]] bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace pagevet::platform
