// Text rules of the C library's default locale that the listing and the command line rely
// on: decimal conversion as strtol does it, and ASCII case folding. Hand-written so that
// the result is the same on every platform and cheap enough for every listing line.
#pragma once

#include <cstdint>
#include <string_view>

namespace pagevet::platform {

// The decimal value of text as strtol reads it in the default locale, clamped to 32 bits:
// leading white space (space, \t \n \v \f \r) skipped, one optional sign directly before
// the digits, digits up to the first other character; 0 when there is no digit.
[[nodiscard]] std::int32_t toInt32(std::string_view text);

// Equal when both have the same length and differ only in the case of ASCII letters.
[[nodiscard]] bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace pagevet::platform
