// Reading standard input as text: line ends, Ctrl-Z, the line limit, errors.
#include "platform/text_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "fakes.h"

namespace pagevet::platform {
namespace {

using Kind = TextReader::Kind;
using namespace std::string_literals;

// A line as the reader hands it out: "L:" for a line, "N:" for a line holding a NUL byte,
// "X:" for an overlong line's head.
std::vector<std::string> readAll(TextReader& reader) {
    std::vector<std::string> lines;
    for (auto line = reader.next(); line.kind != Kind::end; line = reader.next()) {
        const char* kind = line.kind == Kind::overlong ? "X:" : line.holdsNul ? "N:" : "L:";
        lines.push_back(kind + std::string(line.text));
    }
    return lines;
}

std::vector<std::string> readAll(std::vector<std::string> chunks, bool endsAtCtrlZ = true) {
    testing::ChunkSource source(std::move(chunks));
    // A small buffer makes lines straddle refills.
    TextReader reader(source, endsAtCtrlZ, 1024);
    return readAll(reader);
}

// Everything the reader says about a line: kind, text, NUL and the tally of its commas.
std::string described(const TextReader::Line& line) {
    const char* kind = line.kind == Kind::overlong ? "X:" : line.holdsNul ? "N:" : "L:";
    return kind + std::string(line.text) + " commas " + std::to_string(line.tally.count) +
           " last " + std::to_string(line.tally.last);
}

// The tally is that of the line's text as handed out, the line end included.
void expectTallyOfItsText(const TextReader::Line& line) {
    const ByteCount counted = countBytes(line.text.data(), line.text.size(), ',');
    EXPECT_EQ(line.tally.count, counted.count) << line.text;
    EXPECT_EQ(line.tally.last, counted.last) << line.text;
}

std::vector<std::string> describeAll(platform::ByteSource& source, bool endsAtCtrlZ,
                                     std::size_t bufferSize) {
    TextReader reader(source, endsAtCtrlZ, bufferSize);
    std::vector<std::string> lines;
    for (auto line = reader.next(); line.kind != Kind::end; line = reader.next()) {
        lines.push_back(described(line));
        expectTallyOfItsText(line);
    }
    lines.push_back("read error " + std::to_string(reader.readError()));
    return lines;
}

// Read once from a source that reads into the reader's own buffer, and once from one that
// hands over buffers of its own with the kept bytes somewhere else each time.
struct BothWays {
    std::vector<std::string> plain;
    std::vector<std::string> swapped;
    int refills = 0;
};

BothWays readBothWays(const std::vector<std::string>& chunks, bool endsAtCtrlZ = true,
                      int errorAtEnd = 0, std::size_t bufferSize = 1024) {
    testing::ChunkSource plain(chunks, errorAtEnd);
    testing::SwappingChunkSource swapping(chunks, errorAtEnd);
    BothWays read{describeAll(plain, endsAtCtrlZ, bufferSize),
                  describeAll(swapping, endsAtCtrlZ, bufferSize)};
    read.refills = swapping.refills;
    return read;
}

const std::string c508(508, 'a');
const std::string c509(509, 'b');

struct ReaderCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const ReaderCase& readerCase, std::ostream* out) {
    *out << readerCase.name;
}

class Reader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(Reader, SplitsAndTranslates) {
    EXPECT_EQ(readAll(GetParam().chunks), GetParam().lines) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Reader,
    ::testing::Values(
        ReaderCase{"empty", {}, {}}, ReaderCase{"lf", {"a\nbc\n"}, {"L:a\n", "L:bc\n"}},
        ReaderCase{"crlf", {"a\r\nb\r\n"}, {"L:a\n", "L:b\n"}},
        ReaderCase{"crlf split across reads", {"a\r", "\nb"}, {"L:a\n", "L:b"}},
        ReaderCase{"lone cr kept", {"a\rb\n\r"}, {"L:a\rb\n", "L:\r"}},
        ReaderCase{"cr cr lf", {"a\r\r\n"}, {"L:a\r\n"}},
        ReaderCase{"last line without end", {"a\nlast"}, {"L:a\n", "L:last"}},
        ReaderCase{"empty lines", {"\n\n"}, {"L:\n", "L:\n"}},
        ReaderCase{"ctrl-z after last line end", {"a\n\x1a", "more\n"}, {"L:a\n"}},
        ReaderCase{"ctrl-z mid-line",
                   {"ab\x1a"
                    "cd\nef\n"},
                   {"L:ab"}},
        ReaderCase{"ctrl-z between cr and lf", {"ab\r\x1a\n"}, {"L:ab\r"}},
        ReaderCase{
            "nul kept for the caller", {std::string("a\0b\n", 4)}, {std::string("N:a\0b\n", 6)}},
        // The NUL is looked for once per read, not per line: only its own line is marked.
        ReaderCase{"nul marks its line only",
                   {"a\nb\0\nc\n\0\nd"s},
                   {"L:a\n", "N:b\0\n"s, "L:c\n", "N:\0\n"s, "L:d"}},
        ReaderCase{"nul in a line split across reads",
                   {"a\nbb", "b\0"s, "b\nc\n"},
                   {"L:a\n", "N:bbb\0b\n"s, "L:c\n"}},
        ReaderCase{"nul in the dropped rest of an overlong line",
                   {c509 + "cc\0\nnext\n"s},
                   {"X:" + c509, "L:next\n"}},
        ReaderCase{"nul after ctrl-z is never read", {"a\n\x1a\0\n"s}, {"L:a\n"}},
        ReaderCase{"508 and lf is whole", {c508 + "\n"}, {"L:" + c508 + "\n"}},
        ReaderCase{"508 and crlf is whole", {c508 + "\r\n"}, {"L:" + c508 + "\n"}},
        ReaderCase{"508 and crlf split", {c508 + "\r", "\nz\n"}, {"L:" + c508 + "\n", "L:z\n"}},
        ReaderCase{"509 at end of input", {c509}, {"L:" + c509}},
        ReaderCase{"509 then cr at end of input", {c508 + "\r"}, {"L:" + c508 + "\r"}},
        ReaderCase{"509 and lf is too long", {c509 + "\nnext\n"}, {"X:" + c509, "L:next\n"}},
        ReaderCase{"509 and crlf is too long", {c509 + "\r\nnext\n"}, {"X:" + c509, "L:next\n"}},
        ReaderCase{"long line dropped whole",
                   {c509 + std::string(3000, 'c'), std::string(2000, 'd') + "\r\nnext"},
                   {"X:" + c509, "L:next"}},
        ReaderCase{"long line ended by ctrl-z",
                   {c509 + "cc\x1a"
                           "after\n"},
                   {"X:" + c509}},
        ReaderCase{"long line ended by input end", {c509 + "ccc"}, {"X:" + c509}},
        ReaderCase{"byte by byte", {"a", "\r", "\n", "b", "\n"}, {"L:a\n", "L:b\n"}}));

TEST_P(Reader, GivesTheSameLinesFromBuffersSwappedIn) {
    const BothWays read = readBothWays(GetParam().chunks);
    EXPECT_EQ(read.swapped, read.plain) << GetParam().name;
    EXPECT_GT(read.refills, 0) << GetParam().name;
    testing::SwappingChunkSource swapping(GetParam().chunks);
    TextReader reader(swapping, true, 1024);
    EXPECT_EQ(readAll(reader), GetParam().lines) << GetParam().name;
}

TEST(Reader, GivesTheSameLinesFromBuffersSwappedInUpToAReadError) {
    const BothWays read = readBothWays({"a,b\nparti", "al,", "ly"}, true, 21);
    EXPECT_EQ(read.swapped, read.plain);
    EXPECT_EQ(read.swapped.back(), "read error 21");
}

TEST(Reader, GivesTheSameLinesFromBuffersSwappedInOverManyRandomInputs) {
    // Lines of every length up to past the limit, with commas, CR LF, lone CRs, and in some
    // rounds NUL bytes and Ctrl-Z too, the last line with or without its line end, cut into
    // chunks of random sizes: many lines cross chunks and refills, and every refill moves
    // the kept bytes elsewhere.
    std::uint32_t state = 5;
    const auto below = [&state](std::uint32_t limit) {
        state = state * 1103515245U + 12345U;
        return (state >> 16) % limit;
    };
    static constexpr char alphabet[] = {',', ',', 'a', 'b', ' ', '\r', '\0', '\x1a'};
    for (int round = 0; round < 200; ++round) {
        std::string input;
        const auto letters = static_cast<std::uint32_t>(6 + round % 3);
        const std::uint32_t lines = 1 + below(60);
        for (std::uint32_t i = 0; i < lines; ++i) {
            const std::uint32_t length = below(4) == 0 ? below(700) : below(40);
            for (std::uint32_t j = 0; j < length; ++j) {
                input += alphabet[below(letters)];
            }
            input += below(3) == 0 ? "\r\n" : "\n";
        }
        if (below(2) == 0) {
            input.erase(input.size() - 1 - below(3));
        }
        std::vector<std::string> chunks;
        for (std::size_t at = 0; at < input.size();) {
            const std::size_t size = 1 + below(below(2) == 0 ? 8 : 1500);
            chunks.push_back(input.substr(at, size));
            at += size;
        }
        const BothWays read = readBothWays(chunks, round % 2 == 0, 0, round % 4 == 1 ? 4096 : 1024);
        ASSERT_EQ(read.swapped, read.plain) << "round " << round;
    }
}

// The commas of each whole line: how many, and the last one's place in the line's text, the
// line's own length when it has none. A line is read whole in one go, or pieced together
// when it arrives a byte at a time, from the reader's own buffer or from one swapped in.
struct TallyCase {
    const char* name;
    std::string input;
    std::vector<std::pair<std::size_t, std::size_t>> tallies;  // count, last; one per line
};

void PrintTo(const TallyCase& tallyCase, std::ostream* out) {
    *out << tallyCase.name;
}

class Tally : public ::testing::TestWithParam<TallyCase> {};

std::vector<std::pair<std::size_t, std::size_t>> talliesOf(platform::ByteSource& source) {
    TextReader reader(source, true, 1024);
    std::vector<std::pair<std::size_t, std::size_t>> tallies;
    for (auto line = reader.next(); line.kind != Kind::end; line = reader.next()) {
        tallies.emplace_back(line.tally.count, line.tally.last);
        expectTallyOfItsText(line);
    }
    return tallies;
}

std::vector<std::string> byteByByte(const std::string& input) {
    std::vector<std::string> chunks;
    for (const char c : input) {
        chunks.emplace_back(1, c);
    }
    return chunks;
}

TEST_P(Tally, CountsTheCommasOfEachLine) {
    const TallyCase& tally = GetParam();
    testing::ChunkSource whole({tally.input});
    EXPECT_EQ(talliesOf(whole), tally.tallies) << tally.name << ", read whole";
    testing::ChunkSource bytes(byteByByte(tally.input));
    EXPECT_EQ(talliesOf(bytes), tally.tallies) << tally.name << ", read byte by byte";
    testing::SwappingChunkSource swapped({tally.input});
    EXPECT_EQ(talliesOf(swapped), tally.tallies) << tally.name << ", swapped in whole";
    testing::SwappingChunkSource swappedBytes(byteByByte(tally.input));
    EXPECT_EQ(talliesOf(swappedBytes), tally.tallies) << tally.name << ", swapped in bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Table, Tally,
    ::testing::Values(
        TallyCase{"no comma: last is the length", "abc\n\n", {{0, 4}, {0, 1}}},
        TallyCase{"one comma", "a,b\n,\n", {{1, 1}, {1, 0}}},
        TallyCase{"five commas", "p,n,d,t,a,512\n", {{5, 9}}},
        TallyCase{"six commas", ",,,,,,\n", {{6, 5}}},
        TallyCase{
            "commas across blocks",
            std::string(40, 'x') + "," + std::string(30, 'y') + "," + std::string(20, 'z') + "\n",
            {{2, 71}}},
        TallyCase{"crlf: the text ends in its lf", "a,b\r\nxy\r\n,\r\n", {{1, 1}, {0, 3}, {1, 0}}},
        TallyCase{"last line without line end", "a\nb,c,d", {{0, 2}, {2, 3}}},
        TallyCase{"last line without line end or comma", "a,\nbcd", {{1, 1}, {0, 3}}},
        TallyCase{"a lone cr is no line end", "a,\rb,c\n", {{2, 4}}},
        TallyCase{"a line with a nul", "a,\0,b\n"s, {{2, 3}}},
        TallyCase{"overlong: the head's commas",
                  std::string(500, 'a') + ",bcdefgh," + std::string(100, ',') + "\nz,\n",
                  {{2, 508}, {1, 1}}}));

TEST(Reader, TalliesTheByteItIsGiven) {
    testing::ChunkSource source({"a;b,c;d\n"});
    TextReader reader(source, true, 1024, ';');
    const TextReader::Line line = reader.next();
    EXPECT_EQ(line.tally.count, 2U);
    EXPECT_EQ(line.tally.last, 5U);
}

TEST(Reader, CtrlZIsOrdinaryOnATerminal) {
    EXPECT_EQ(readAll({"a\x1a"
                       "b\n"},
                      false),
              std::vector<std::string>{"L:a\x1a"
                                       "b\n"});
}

TEST(Reader, StopsReadingAtCtrlZ) {
    // The writer of a pipe may keep it open: after Ctrl-Z the source must not be asked again.
    testing::ChunkSource source({"a\n\x1a", "never read\n"});
    TextReader reader(source, true, 1024);
    EXPECT_EQ(readAll(reader), std::vector<std::string>{"L:a\n"});
    EXPECT_EQ(source.reads, 1);
}

TEST(Reader, HandsOutLinesBeforeReadingMore) {
    // An interactive writer must see each line handled as soon as it is complete.
    testing::ChunkSource source({"a\n", "b\n"});
    TextReader reader(source, true, 1024);
    EXPECT_EQ(reader.next().text, "a\n");
    EXPECT_EQ(source.reads, 1);
}

TEST(Reader, KeepsWhatArrivedBeforeAReadError) {
    testing::ChunkSource source({"a\nparti", "al"}, 21);
    TextReader reader(source, true, 1024);
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"L:a\n", "L:partial"}));
    EXPECT_EQ(reader.readError(), 21);
}

TEST(Reader, PlainEndOfInputIsNoError) {
    testing::ChunkSource source({"a\n"});
    TextReader reader(source, true, 1024);
    readAll(reader);
    EXPECT_EQ(reader.readError(), 0);
}

TEST(Reader, ManyLinesThroughASmallBuffer) {
    std::string input;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = std::string(static_cast<std::size_t>(i % 509), 'x');
        input += line + ((i % 2) != 0 ? "\r\n" : "\n");
        expected.push_back("L:" + line + "\n");
    }
    EXPECT_EQ(readAll({input}), expected);
}

}  // namespace
}  // namespace pagevet::platform
