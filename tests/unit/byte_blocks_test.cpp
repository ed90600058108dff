// Finding bytes many at a time must give what a byte-by-byte look gives, whichever way the
// platform does it, wherever the bytes fall and whatever their values.
#include "platform/byte_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

// What a look at one byte after the other finds at the start of a line: the first LF within
// span, and the separators before it with the last one (lineEnd when there is none).
LineScan scannedOneByOne(const std::string& text, std::size_t span, unsigned char separator) {
    LineScan found{span, {}};
    for (std::size_t at = 0; at != span; ++at) {
        if (text[at] != '\n') {
            continue;
        }
        found.lineEnd = at;
        found.separators.last = at;
        for (std::size_t i = 0; i != at; ++i) {
            if (static_cast<unsigned char>(text[i]) == separator) {
                ++found.separators.count;
                found.separators.last = i;
            }
        }
        break;
    }
    return found;
}

// What may lie behind the span: line ends and separators, the bytes most likely to be taken
// for part of the line by a look that reads too far.
const std::vector<std::string> slacks = {std::string(lineScanSlack - 1, '\n'),
                                         std::string(lineScanSlack - 1, ','),
                                         ",\n,\n,\n,\n,\n,\n,\n,", "\n,,,,,,,,,,,,,,"};

// Scans span bytes of text with both the block-wise and the portable look. The span sits in
// memory of its own, shift bytes into it, and only the fifteen bytes scanLine may read past
// it follow, so that reading further is caught by the address sanitizer. Both must find what
// a byte-by-byte look finds.
void expectScansAgree(const std::string& text, std::size_t span, unsigned char separator,
                      const std::string& slack, std::size_t shift, const std::string& what) {
    const LineScan expected = scannedOneByOne(text, span, separator);
    const std::unique_ptr<char[]> memory(new char[shift + span + slack.size()]);
    char* const start = memory.get() + shift;
    std::fill_n(memory.get(), shift, ',');
    std::copy_n(text.data(), span, start);
    std::copy(slack.begin(), slack.end(), start + span);
    const std::pair<const char*, LineScan> scans[] = {
        {"scanLine", scanLine(start, span, separator)},
        {"scanLinePortably", scanLinePortably(start, span, separator)}};
    for (const auto& [name, scan] : scans) {
        ASSERT_EQ(scan.lineEnd, expected.lineEnd) << name << ": " << what;
        if (expected.lineEnd == span) {
            continue;  // no line end within span: the caller reads more and looks again
        }
        ASSERT_EQ(scan.separators.count, expected.separators.count) << name << ": " << what;
        ASSERT_EQ(scan.separators.last, expected.separators.last) << name << ": " << what;
    }
}

void expectScansAgreeWhateverFollows(const std::string& text, std::size_t span,
                                     unsigned char separator, const std::string& what) {
    for (const std::string& slack : slacks) {
        for (const std::size_t shift : {0U, 1U, 7U, 15U}) {
            expectScansAgree(text, span, separator, slack, shift,
                             what + ", shifted by " + std::to_string(shift));
        }
    }
}

struct ScanCase {
    std::string name;
    std::string text;  // the line's bytes; the span is all of them
};

std::string lineEndAt(std::size_t at, std::size_t size, char filler) {
    std::string text(size, filler);
    text[at] = '\n';
    return text;
}

std::vector<ScanCase> handPickedLines() {
    std::vector<ScanCase> cases;
    // The line end in each place of the first three blocks: with separators all around it,
    // none at all, one right in front of it, and one first with one right behind it.
    for (std::size_t at = 0; at < 3 * byteBlockSize; ++at) {
        const std::string where = " line end at " + std::to_string(at);
        const std::size_t size = 4 * byteBlockSize;
        cases.push_back({"separators all around a" + where, lineEndAt(at, size, ',')});
        cases.push_back({"no separator, a" + where, lineEndAt(at, size, 'a')});
        if (at > 0) {
            std::string before = lineEndAt(at, size, 'a');
            before[at - 1] = ',';
            cases.push_back({"a separator right in front of a" + where, before});
            std::string firstAndBehind = lineEndAt(at, size, 'a');
            firstAndBehind[0] = ',';
            firstAndBehind[at + 1] = ',';
            cases.push_back({"a separator first and one behind a" + where, firstAndBehind});
        }
    }
    // Separators only in blocks before the line end's own, the last one at the very end of
    // the block before.
    for (const std::size_t at : {16U, 17U, 31U, 32U, 47U, 100U, 495U, 508U, 509U}) {
        std::string text = lineEndAt(at, at + 1, 'a');
        text[3] = ',';
        text[5] = ',';
        text[(at / byteBlockSize) * byteBlockSize - 1] = ',';
        cases.push_back(
            {"separators only in earlier blocks, line end at " + std::to_string(at), text});
    }
    // Spans of every size that matters, with no line end, the line end last, or first.
    for (const std::size_t span : {0U, 1U, 2U, 15U, 16U, 17U, 31U, 32U, 33U, 509U, 510U}) {
        std::string text;
        for (std::size_t i = 0; i < span; ++i) {
            text += i % 3 == 1 ? ',' : 'x';
        }
        const std::string spanned = "span " + std::to_string(span);
        cases.push_back({spanned + " without line end", text});
        if (span > 0) {
            text.back() = '\n';
            cases.push_back({spanned + " with the line end last", text});
            text.front() = '\n';
            cases.push_back({spanned + " with the line end first", text});
        }
    }
    cases.push_back({"two line ends in one block: the first counts", "a,b\n,c,\nd,e,f,g,h,i"});
    cases.push_back({"a CR is an ordinary byte", "a,b,c\r\n,,,,,,,,,,,,,,,,,,,,"});
    // As many separators in front of the line end as a byte counter per lane can hold.
    cases.push_back(
        {"255 blocks of separators", lineEndAt(255 * byteBlockSize - 1, 255 * byteBlockSize, ',')});
    cases.push_back({"254 blocks of separators, then the line end",
                     lineEndAt(254 * byteBlockSize, 255 * byteBlockSize, ',')});
    return cases;
}

TEST(ByteBlocks, ScanLineAgreesWithALookAtEachByteOnHandPickedLines) {
    for (const ScanCase& line : handPickedLines()) {
        expectScansAgreeWhateverFollows(line.text, line.text.size(), ',', line.name);
        // A span that stops short of the last byte, as when the rest is not read yet.
        if (!line.text.empty()) {
            expectScansAgreeWhateverFollows(line.text, line.text.size() - 1, ',',
                                            line.name + ", the last byte not in span");
        }
    }
}

TEST(ByteBlocks, ScanLineTalliesTheSeparatorItIsGiven) {
    const std::string line = "a;b;c,d\xe9;\n;;";
    expectScansAgreeWhateverFollows(line, line.size(), ';', "semicolons");
    expectScansAgreeWhateverFollows(line, line.size(), 0xe9, "a byte with its top bit set");
    const std::string padded = line + std::string(lineScanSlack, '\n');
    const LineScan scan = scanLine(padded.data(), line.size(), ';');
    EXPECT_EQ(scan.lineEnd, 9U);
    EXPECT_EQ(scan.separators.count, 3U);
    EXPECT_EQ(scan.separators.last, 8U);
}

TEST(ByteBlocks, ScanLineAgreesWithALookAtEachByteOnRandomLines) {
    // Line ends are made rare enough in some lines and common in others that many spans
    // hold none, many end in their first block, and many cross several blocks first.
    std::uint32_t state = 11;
    const auto below = [&state](std::uint32_t limit) {
        state = state * 1103515245U + 12345U;
        return (state >> 16) % limit;
    };
    static constexpr unsigned char alphabet[] = {',',  ',',  ',',  'a',  ' ',
                                                 '\r', 0x00, 0xe9, 0xff, '+'};
    for (int round = 0; round < 20000; ++round) {
        const std::size_t span = below(round % 4 == 0 ? 40 : 520);
        const std::uint32_t lineEndOdds = 1 + below(300);
        std::string text;
        for (std::size_t i = 0; i < span; ++i) {
            text += below(lineEndOdds) == 0 ? '\n' : static_cast<char>(alphabet[below(10)]);
        }
        const unsigned char separator = round % 5 == 0 ? 0xe9 : ',';
        const std::string& slack = slacks[below(static_cast<std::uint32_t>(slacks.size()))];
        expectScansAgree(text, span, separator, slack, below(byteBlockSize),
                         "round " + std::to_string(round));
    }
}

}  // namespace
}  // namespace pagevet::platform
