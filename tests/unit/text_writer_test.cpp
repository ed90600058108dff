// Writing text: CR LF line ends, the message formatter, buffering and write errors.
#include "platform/text_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes.h"

namespace pagevet::platform {
namespace {

std::string printed(std::string_view format, std::initializer_list<FormatArg> args) {
    testing::StringSink sink;
    TextWriter writer(sink, TextWriter::Flush::afterEachWrite);
    writer.print(format, args);
    return sink.text;
}

TEST(TextWriter, EveryLineFeedGoesOutAsCrLf) {
    testing::StringSink sink;
    TextWriter writer(sink, TextWriter::Flush::afterEachWrite);
    writer.write("a\nb\r\n\n\rc");
    EXPECT_EQ(sink.text, "a\r\nb\r\r\n\r\n\rc");
}

TEST(TextWriter, FormatsLikePrintf) {
    EXPECT_EQ(printed("Bytes were: %2x, %2x\n", {0, 7}), "Bytes were:  0,  7\r\n");
    EXPECT_EQ(printed("Bytes were: %2x, %2x\n", {0xE9, 0x10}), "Bytes were: e9, 10\r\n");
    EXPECT_EQ(printed("Skipping %d Fields\n", {-2147483647 - 1}),
              "Skipping -2147483648 Fields\r\n");
    EXPECT_EQ(printed("%s|%s", {"a\nb", std::string_view("c\0d", 3)}), "a\r\nb|c");
    EXPECT_EQ(printed("100%% %q %", {}), "100% %q %");
    EXPECT_EQ(printed("%s and %s", {"one"}), "one and ");
}

TEST(TextWriter, BufferedOutputGoesOutInFullBlocks) {
    testing::StringSink sink;
    TextWriter writer(sink, TextWriter::Flush::whenFull, 16);
    for (int i = 0; i < 10; ++i) {
        writer.write("abcde\n");  // 7 bytes on the wire each
    }
    EXPECT_EQ(sink.writes, 4);  // 70 bytes: four blocks of 16 so far
    EXPECT_EQ(sink.text.size(), 64U);
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(sink.writes, 5);
    EXPECT_EQ(sink.text.size(), 70U);
}

TEST(TextWriter, CrLfIsNeverSplitWrongAcrossBlocks) {
    testing::StringSink sink;
    TextWriter writer(sink, TextWriter::Flush::whenFull, 4);
    writer.write("abc\nd\n");
    writer.flush();
    EXPECT_EQ(sink.text, "abc\r\nd\r\n");
}

// A passed line is copied whole when it fits, and split across blocks like any other text
// when it does not: either way the blocks are full and the bytes are those of write().
TEST(TextWriter, LinesGoOutLikeAnyOtherText) {
    testing::StringSink lines;
    testing::StringSink texts;
    TextWriter lineWriter(lines, TextWriter::Flush::whenFull, 16);
    TextWriter textWriter(texts, TextWriter::Flush::whenFull, 16);
    for (const char* line :
         {"abc\n", "0123456789abcd\n", "", "\n", "x", "0123456789abcdefghij\n", "last"}) {
        lineWriter.writeLine(line);
        textWriter.write(line);
    }
    lineWriter.close();
    textWriter.close();
    EXPECT_EQ(lines.text, texts.text);
    EXPECT_EQ(lines.writes, texts.writes);
    EXPECT_EQ(lines.text, "abc\r\n0123456789abcd\r\n\r\nx0123456789abcdefghij\r\nlast");
}

TEST(TextWriter, AWriteErrorIsKeptAndStopsFurtherWrites) {
    testing::StringSink sink;
    sink.failFromWrite = 2;
    TextWriter writer(sink, TextWriter::Flush::afterEachWrite);
    writer.write("one\n");
    EXPECT_EQ(writer.error(), 0);
    writer.write("two\n");
    EXPECT_EQ(writer.error(), 28);
    writer.write("three\n");
    EXPECT_FALSE(writer.close());
    EXPECT_EQ(sink.writes, 2);
    EXPECT_EQ(sink.text, "one\r\n");
}

TEST(TextWriter, AnErrorInTheLastBlockShowsAtClose) {
    testing::StringSink sink;
    sink.failFromWrite = 1;
    TextWriter writer(sink, TextWriter::Flush::whenFull);
    writer.write("held back\n");
    EXPECT_EQ(writer.error(), 0);
    EXPECT_FALSE(writer.close());
    EXPECT_EQ(writer.error(), 28);
}

}  // namespace
}  // namespace pagevet::platform
