// Decimal conversion and case folding of the default locale.
#include "platform/c_locale.h"

#include <limits>

namespace pagevet::platform {
namespace {

bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');  // \t \n \v \f \r are contiguous
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char foldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::int32_t toInt32(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isCSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Accumulate the magnitude, saturating one past the largest positive value so that
    // both ends of the range clamp exactly as strtol does.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(magnitude == limit ? std::numeric_limits<std::int32_t>::max()
                                                        : magnitude);
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
