// The length of a file as the listing's platform tells it: a signed 32-bit value. Shared by
// every platform implementation, so that a 3 GiB file reads the same everywhere.
#pragma once

#include <cstdint>

namespace pagevet::platform {

// 4 GiB or more cannot be told (-1), nor can a length the system failed to give (negative);
// from 2 GiB up the value wraps to negative, as a signed 32-bit length does.
constexpr std::int32_t toLength32(std::int64_t length) {
    constexpr std::int64_t fourGiB = std::int64_t{1} << 32;
    if (length < 0 || length >= fourGiB) {
        return -1;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(length));
}

}  // namespace pagevet::platform
