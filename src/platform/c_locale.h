// Text rules of the C library's default locale that the listing and the command line rely
// on: decimal conversion as strtol does it, and ASCII case folding. Hand-written so that
// the result is the same on every platform and cheap enough for every listing line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/byte_words.h"

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

// A bit in every byte of values that is not a decimal digit, values being text with '0'
// taken away from every byte (a digit's byte then holds its value, 0 to 9): a bit in the
// high half, or a low half above 9. No carry crosses from one byte into the next.
[[nodiscard]] inline ByteWord markNonDigits(ByteWord values) {
    const ByteWord highHalves = everyByte * 0xf0;
    const ByteWord lowHalves = everyByte * 0x0f;
    return (values & highHalves) | (((values & lowHalves) + everyByte * 6) & (everyByte * 0x10));
}

// The number that the digit values at the top of digits make, the last digit in the top
// byte and zero bytes below the first: neighbours added up, pairs, then fours, then eight.
[[nodiscard]] inline std::int64_t valueOfDigitsAtTop(ByteWord digits) {
    digits = (digits * (10 * 0x100 + 1)) >> 8;
    digits = ((digits & 0x00ff00ff00ff00ffULL) * (100 * 0x10000 + 1)) >> 16;
    digits = ((digits & 0x0000ffff0000ffffULL) * (10000 * 0x100000000ULL + 1)) >> 32;
    return static_cast<std::int64_t>(digits);
}

// The same as toInt32 for text that is part of line, such as a listed size at the end of
// its line: when the eight bytes up to the end of text lie within line, a short number is
// read from them at once, with no loop whose length depends on the digits. It is read for
// every line of a listing in a time-saving mode.
[[nodiscard]] inline std::int32_t toInt32InLine(std::string_view text, std::string_view line) {
    const std::size_t size = text.size();
    const char* const end = text.data() + size;
    if (size == 0 || size >= byteWordSize ||
        static_cast<std::size_t>(end - line.data()) < byteWordSize ||
        static_cast<unsigned>(static_cast<unsigned char>(text[0])) - '0' > 9) {
        return toInt32(text);
    }
    // The text is in the top `size` bytes of the word, the rest of the line below it. Its
    // digits run from its first byte to the first other byte, or to its end.
    const ByteWord values = loadByteWord(end - byteWordSize) ^ (everyByte * '0');
    const std::size_t first = byteWordSize - size;
    const ByteWord stops = markNonDigits(values) & (~ByteWord{0} << (8 * first));
    const std::size_t runEnd = stops == 0 ? byteWordSize : firstMarkedByte(stops);
    const std::size_t digitCount = runEnd - first;
    // Only the run's own digits stay: moved to the top, everything below them cleared.
    ByteWord digits = (values & (everyByte * 0x0f)) << (8 * (byteWordSize - runEnd));
    digits &= ~ByteWord{0} << (8 * (byteWordSize - digitCount));
    return static_cast<std::int32_t>(valueOfDigitsAtTop(digits));
}

// Equal when both have the same length and differ only in the case of ASCII letters.
[[nodiscard]] bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace pagevet::platform
