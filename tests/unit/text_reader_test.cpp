// Reading standard input as text: line ends, Ctrl-Z, the line limit, errors.
#include "platform/text_reader.h"

#include <gtest/gtest.h>

#include <string>
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

const std::string c508(508, 'a');
const std::string c509(509, 'b');

struct ReaderCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
};

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
