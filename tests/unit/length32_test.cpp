// The 32-bit length every platform reports: exact at the 2 GiB and 4 GiB boundaries.
#include "platform/length32.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pagevet::platform {
namespace {

constexpr std::int64_t gib = std::int64_t{1} << 30;

TEST(ToLength32, KeepsLengthsBelow2GiB) {
    EXPECT_EQ(toLength32(0), 0);
    EXPECT_EQ(toLength32(512), 512);
    EXPECT_EQ(toLength32(2 * gib - 1), INT32_MAX);
}

TEST(ToLength32, WrapsLengthsFrom2GiBToNegative) {
    EXPECT_EQ(toLength32(2 * gib), INT32_MIN);
    EXPECT_EQ(toLength32(3 * gib), -static_cast<std::int32_t>(gib));
    EXPECT_EQ(toLength32(4 * gib - 512), -512);
    // Just under 4 GiB wraps to the failure value itself: the 32-bit interface cannot
    // tell the two apart either.
    EXPECT_EQ(toLength32(4 * gib - 1), -1);
}

TEST(ToLength32, CannotTell4GiBOrMore) {
    EXPECT_EQ(toLength32(4 * gib), -1);
    EXPECT_EQ(toLength32(4 * gib + 512), -1);
    EXPECT_EQ(toLength32(INT64_MAX), -1);
}

TEST(ToLength32, PassesOnAFailedQuery) {
    EXPECT_EQ(toLength32(-1), -1);
    EXPECT_EQ(toLength32(INT64_MIN), -1);
}

}  // namespace
}  // namespace pagevet::platform
