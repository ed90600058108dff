// Text looked at eight bytes at a time, in plain C++: the loops that run for every
// character of a listing (finding commas, reading digits) cost several instructions per
// byte when written byte by byte, and about one this way.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pagevet::platform {

using ByteWord = std::uint64_t;
inline constexpr std::size_t byteWordSize = sizeof(ByteWord);
inline constexpr ByteWord everyByte = 0x0101010101010101ULL;
inline constexpr ByteWord topBitOfEveryByte = 0x8080808080808080ULL;

// Eight bytes of text, the first in the lowest byte of the word, on every platform.
inline ByteWord loadByteWord(const char* text) {
    ByteWord word = 0;
    std::memcpy(&word, text, byteWordSize);
    if constexpr (std::endian::native == std::endian::big) {
        ByteWord swapped = 0;
        for (std::size_t byte = 0; byte < byteWordSize; ++byte) {
            swapped = (swapped << 8) | ((word >> (8 * byte)) & 0xff);
        }
        word = swapped;
    }
    return word;
}

// The first size bytes of text, fewer than eight, as loadByteWord would give them; the
// bytes past the end read as 0.
inline ByteWord loadShortByteWord(const char* text, std::size_t size) {
    ByteWord word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::size_t at = 0;
        if ((size & 4) != 0) {
            std::uint32_t part = 0;
            std::memcpy(&part, text, 4);
            word = part;
            at = 4;
        }
        if ((size & 2) != 0) {
            std::uint16_t part = 0;
            std::memcpy(&part, text + at, 2);
            word |= ByteWord{part} << (8 * at);
            at += 2;
        }
        if ((size & 1) != 0) {
            word |= ByteWord{static_cast<unsigned char>(text[at])} << (8 * at);
        }
    } else {
        for (std::size_t at = 0; at < size; ++at) {
            word |= ByteWord{static_cast<unsigned char>(text[at])} << (8 * at);
        }
    }
    return word;
}

// The top bit of each byte of word that equals c, and no other bit. Exact for every byte
// value: no carry crosses from one byte into the next.
inline ByteWord bytesEqualTo(ByteWord word, unsigned char c) {
    constexpr ByteWord lowBits = ~topBitOfEveryByte;
    const ByteWord zeroWhereEqual = word ^ (everyByte * c);
    const ByteWord lowNonZero = (zeroWhereEqual & lowBits) + lowBits;
    return ~(lowNonZero | zeroWhereEqual | lowBits);
}

// The position within the word of the first byte marked by bits (not 0).
inline std::size_t firstMarkedByte(ByteWord bits) {
    return static_cast<std::size_t>(std::countr_zero(bits)) / 8;
}

}  // namespace pagevet::platform
