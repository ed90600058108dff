// Finding bytes many at a time must give what a byte-by-byte look gives, whichever way the
// platform does it, wherever the bytes fall and whatever their values.
#include "platform/byte_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace pagevet::platform {
namespace {

// Random texts over bytes that matter: the byte looked for, its neighbours (carries and
// borrows of word arithmetic), a zero, and bytes with the top bit set.
class Texts {
  public:
    std::string next(std::size_t size) {
        static constexpr unsigned char alphabet[] = {',',  ',',  '+',  '-', '\n', 0,
                                                     0x80, 0xac, 0xff, 'a', ' ',  '0'};
        std::string text;
        for (std::size_t i = 0; i < size; ++i) {
            state_ = state_ * 1103515245U + 12345U;
            text += static_cast<char>(alphabet[(state_ >> 16) % sizeof alphabet]);
        }
        return text;
    }

  private:
    std::uint32_t state_ = 7;
};

std::uint32_t markedOneByOne(const std::string& text, std::size_t from, std::size_t count,
                             unsigned char c) {
    std::uint32_t marks = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (static_cast<unsigned char>(text[from + i]) == c) {
            marks |= std::uint32_t{1} << i;
        }
    }
    return marks;
}

TEST(ByteBlocks, MarkBytesAgreesWithALookAtEachByte) {
    Texts texts;
    for (int round = 0; round < 20000; ++round) {
        const std::string text = texts.next(byteBlockSize);
        for (const char looked : std::string(",\n\0", 3)) {
            const auto c = static_cast<unsigned char>(looked);
            const std::uint32_t expected = markedOneByOne(text, 0, byteBlockSize, c);
            ASSERT_EQ(markBytes(text.data(), c), expected);
            ASSERT_EQ(markBytesPortably(text.data(), c), expected);
            for (std::size_t size = 0; size < byteBlockSize; ++size) {
                ASSERT_EQ(markBytesOfShortBlock(text.data(), size, c),
                          markedOneByOne(text, 0, size, c));
            }
        }
    }
}

TEST(ByteBlocks, CountAndLastAgreeWithALookAtEachByte) {
    Texts texts;
    for (int round = 0; round < 3000; ++round) {
        const std::string text = texts.next(static_cast<std::size_t>(round % 120));
        std::size_t expectedCount = 0;
        std::size_t expectedLast = text.size();
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ',') {
                ++expectedCount;
                expectedLast = i;
            }
        }
        const ByteCount counted = countBytes(text.data(), text.size(), ',');
        ASSERT_EQ(counted.count, expectedCount) << round;
        ASSERT_EQ(counted.last, expectedLast) << round;
        const ByteCount portably = countBytesPortably(text.data(), text.size(), ',');
        ASSERT_EQ(portably.count, expectedCount) << round;
        ASSERT_EQ(portably.last, expectedLast) << round;
        ASSERT_EQ(lastByte(text.data(), text.size(), ','), expectedLast) << round;
    }
}

TEST(ByteBlocks, CountsBeyondWhatOneByteCounterHolds) {
    const std::string commas(300 * byteBlockSize + 5, ',');
    EXPECT_EQ(countBytes(commas.data(), commas.size(), ',').count, commas.size());
    EXPECT_EQ(countBytes(commas.data(), 4080, ',').count, 4080U);
    EXPECT_EQ(countBytes(commas.data(), 4079, ',').count, 4079U);
}

}  // namespace
}  // namespace pagevet::platform
