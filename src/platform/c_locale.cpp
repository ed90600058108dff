// Decimal conversion and case folding of the default locale.
#include "platform/c_locale.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "platform/byte_words.h"

namespace pagevet::platform {
namespace {

bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');  // \t \n \v \f \r are contiguous
}

// The value of a decimal digit; any other character gives more than 9.
unsigned digitValue(char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
}

char foldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The decimal digits that a word of text starts with (the first character in the lowest
// byte), at most eight, and their value.
struct LeadingDigits {
    std::size_t count = 0;
    std::int64_t value = 0;
};

LeadingDigits leadingDigits(ByteWord word) {
    const ByteWord values = word ^ (everyByte * '0');
    const ByteWord notDigits = markNonDigits(values);
    const std::size_t count = notDigits == 0 ? byteWordSize : firstMarkedByte(notDigits);
    if (count == 0) {
        return {};
    }
    // Move the digits to the top, so that the bytes below read as leading zeros.
    const ByteWord lowHalves = everyByte * 0x0f;
    return {count, valueOfDigitsAtTop((values & lowHalves) << (8 * (byteWordSize - count)))};
}

}  // namespace

std::int32_t toInt32AnyText(std::string_view text) {
    const char* at = text.data();
    const char* const end = at + text.size();
    bool negative = false;
    if (at != end && digitValue(*at) > 9) {  // a listed size starts with its first digit
        while (at != end && isCSpace(*at)) {
            ++at;
        }
        if (at != end && (*at == '+' || *at == '-')) {
            negative = *at == '-';
            ++at;
        }
    }
    // Seven digits and fewer are read one by one, eight in one step: neither can pass the
    // limit. Only a number of more than eight digits goes on digit by digit, saturating one
    // past the largest positive value so that both ends of the range clamp exactly as
    // strtol does.
    std::int64_t magnitude = 0;
    if (end - at < static_cast<std::ptrdiff_t>(byteWordSize)) {
        for (; at != end && digitValue(*at) <= 9; ++at) {
            magnitude = magnitude * 10 + digitValue(*at);
        }
        return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    }
    const LeadingDigits digits = leadingDigits(loadByteWord(at));
    magnitude = digits.value;
    if (digits.count == byteWordSize) {
        constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
        for (at += byteWordSize; at != end && digitValue(*at) <= 9; ++at) {
            magnitude = std::min(magnitude * 10 + digitValue(*at), limit);
        }
        magnitude = negative ? -magnitude : std::min(magnitude, limit - 1);
        return static_cast<std::int32_t>(magnitude);
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace pagevet::platform
