// Finding a byte sixteen bytes at a time: with the processor's vector comparison where it
// has one (every x86-64 processor does), and with plain 64-bit arithmetic elsewhere. The
// listing parser looks at every byte of a line up to its size field; byte by byte that
// costs several instructions per byte, this way well under one.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/byte_words.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define PAGEVET_BYTE_BLOCKS_SSE2 1
#endif

namespace pagevet::platform {

inline constexpr std::size_t byteBlockSize = 16;

// Bit i set when byte i of the eight bytes in word equals c (the first byte lowest).
inline std::uint32_t markBytesOfWord(ByteWord word, unsigned char c) {
    // One bit per byte at the byte's top; multiplying gathers the eight bits into the top
    // byte of the product, the first byte's bit lowest. No two partial products meet.
    const ByteWord bits = bytesEqualTo(word, c) >> 7;
    return static_cast<std::uint32_t>((bits * 0x0102040810204080ULL) >> 56);
}

// Bit i set when byte i of the sixteen bytes at text equals c, in plain C++.
inline std::uint32_t markBytesPortably(const char* text, unsigned char c) {
    return markBytesOfWord(loadByteWord(text), c) |
           (markBytesOfWord(loadByteWord(text + byteWordSize), c) << byteWordSize);
}

// Bit i set when byte i of the sixteen bytes at text equals c.
inline std::uint32_t markBytes(const char* text, unsigned char c) {
#ifdef PAGEVET_BYTE_BLOCKS_SSE2
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i equal = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(c)));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(equal));
#else
    return markBytesPortably(text, c);
#endif
}

// The same for the size bytes at text, fewer than sixteen; no bit beyond them is set.
inline std::uint32_t markBytesOfShortBlock(const char* text, std::size_t size, unsigned char c) {
    char block[byteBlockSize] = {};
    std::memcpy(block, text, size);
    return markBytes(block, c) & ((std::uint32_t{1} << size) - 1);
}

// How many of the size bytes at text equal c, and where the last of them is (size when
// none is): what a listing line's commas say about its fields.
struct ByteCount {
    std::size_t count = 0;
    std::size_t last = 0;
};

inline std::size_t lastByte(const char* text, std::size_t size, unsigned char c);

// The same in plain C++, eight bytes at a time.
inline ByteCount countBytesPortably(const char* text, std::size_t size, unsigned char c) {
    std::size_t count = 0;
    std::size_t at = 0;
    for (; size - at >= byteWordSize; at += byteWordSize) {
        const ByteWord ones = bytesEqualTo(loadByteWord(text + at), c) >> 7;
        count += static_cast<std::size_t>((ones * everyByte) >> 56);
    }
    for (; at != size; ++at) {
        count += static_cast<unsigned char>(text[at]) == c ? 1 : 0;
    }
    return {count, lastByte(text, size, c)};
}

inline ByteCount countBytes(const char* text, std::size_t size, unsigned char c) {
#ifdef PAGEVET_BYTE_BLOCKS_SSE2
    // Each step subtracts the comparison's -1 from one byte counter per lane; a counter
    // holds 255 steps, far more than a line of a listing takes.
    constexpr std::size_t maxSteps = 255;
    if (size >= byteBlockSize && size < maxSteps * byteBlockSize) {
        const __m128i needle = _mm_set1_epi8(static_cast<char>(c));
        __m128i counters = _mm_setzero_si128();
        std::size_t at = 0;
        const auto countBlock = [&](std::size_t from) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(bytes, needle));
        };
        // Two blocks to a step: a line of a listing takes only a few.
        for (; size - at >= 2 * byteBlockSize; at += 2 * byteBlockSize) {
            countBlock(at);
            countBlock(at + byteBlockSize);
        }
        if (size - at >= byteBlockSize) {
            countBlock(at);
            at += byteBlockSize;
        }
        std::uint32_t lastMarks = 0;
        if (at != size) {
            // The last sixteen bytes, less those already counted: zeros, then ones, from a
            // table. The last byte looked for is most often among them.
            alignas(16) static constexpr char zerosThenOnes[2 * byteBlockSize] = {
                0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
                -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
            const __m128i last =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + size - byteBlockSize));
            const __m128i unseen =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(zerosThenOnes + (size - at)));
            const __m128i equal = _mm_and_si128(_mm_cmpeq_epi8(last, needle), unseen);
            counters = _mm_sub_epi8(counters, equal);
            lastMarks = static_cast<std::uint32_t>(_mm_movemask_epi8(equal));
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        const std::size_t count =
            static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
            static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        if (lastMarks != 0) {
            return {count, size - byteBlockSize +
                               static_cast<std::size_t>(31 - std::countl_zero(lastMarks))};
        }
        return {count, count == 0 ? size : lastByte(text, at, c)};
    }
#endif
    return countBytesPortably(text, size, c);
}

// The position of the last of the size bytes at text that equals c, or size when none does.
inline std::size_t lastByte(const char* text, std::size_t size, unsigned char c) {
    std::size_t end = size;
    for (; end >= byteBlockSize; end -= byteBlockSize) {
        if (const std::uint32_t marks = markBytes(text + end - byteBlockSize, c); marks != 0) {
            return end - byteBlockSize + static_cast<std::size_t>(31 - std::countl_zero(marks));
        }
    }
    if (const std::uint32_t marks = markBytesOfShortBlock(text, end, c); marks != 0) {
        return static_cast<std::size_t>(31 - std::countl_zero(marks));
    }
    return size;
}

// What one look at the start of a line finds: where its line end is, and how many of the
// bytes before it are the separator, and the last of these.
struct LineScan {
    std::size_t lineEnd = 0;  // the first LF, or span when there is none within span
    // Among the lineEnd bytes before the LF, last being lineEnd for none; when there is no
    // LF within span, nothing is counted and this is left empty.
    ByteCount separators;
};

// How far past its span scanLine may read: it reads whole blocks of sixteen bytes.
inline constexpr std::size_t lineScanSlack = byteBlockSize;

inline LineScan scanLinePortably(const char* text, std::size_t span, unsigned char separator) {
    std::size_t count = 0;
    std::size_t last = 0;
    for (std::size_t at = 0; at != span; ++at) {
        if (text[at] == '\n') {
            return {at, {count, count == 0 ? at : last}};
        }
        if (static_cast<unsigned char>(text[at]) == separator) {
            ++count;
            last = at;
        }
    }
    return {span, {}};
}

// The same in one pass over whole blocks of sixteen bytes: the bytes from span up to the
// next multiple of sixteen are looked at, so they must be readable (lineScanSlack), but
// whatever they hold makes no difference. One look for both costs little more than either;
// a line of a listing is read once for its end and once more for its commas otherwise.
// span is at most 255 blocks: each byte counter holds one step per block.
inline LineScan scanLine(const char* text, std::size_t span, unsigned char separator) {
#ifdef PAGEVET_BYTE_BLOCKS_SSE2
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    const __m128i separators = _mm_set1_epi8(static_cast<char>(separator));
    __m128i counters = _mm_setzero_si128();
    for (std::size_t at = 0; at < span; at += byteBlockSize) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        const auto ends =
            static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeeds)));
        const __m128i found = _mm_cmpeq_epi8(bytes, separators);
        if (ends == 0) {
            counters = _mm_sub_epi8(counters, found);
            continue;
        }
        const auto offset = static_cast<std::size_t>(std::countr_zero(ends));
        const std::size_t lineEnd = at + offset;
        if (lineEnd >= span) {
            break;
        }
        // Only the bytes before the line end count: ones, then zeros, from a table.
        alignas(16) static constexpr char onesThenZeros[2 * byteBlockSize] = {
            -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
            0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};
        const __m128i before = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(onesThenZeros + byteBlockSize - offset));
        const __m128i counted = _mm_and_si128(found, before);
        counters = _mm_sub_epi8(counters, counted);
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        const std::size_t count =
            static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
            static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        // The last separator is most often among the sixteen bytes before the line end (in
        // a listing it starts the size field), which may reach into the block before.
        const std::size_t tail = lineEnd >= byteBlockSize ? lineEnd - byteBlockSize : at;
        const __m128i tailFound =
            lineEnd >= byteBlockSize
                ? _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + tail)),
                                 separators)
                : counted;
        if (const auto marks = static_cast<std::uint32_t>(_mm_movemask_epi8(tailFound));
            marks != 0) {
            return {lineEnd,
                    {count, tail + static_cast<std::size_t>(31 - std::countl_zero(marks))}};
        }
        return {lineEnd, {count, count == 0 ? lineEnd : lastByte(text, tail, separator)}};
    }
    return {span, {}};
#else
    return scanLinePortably(text, span, separator);
#endif
}

}  // namespace pagevet::platform

#undef PAGEVET_BYTE_BLOCKS_SSE2
