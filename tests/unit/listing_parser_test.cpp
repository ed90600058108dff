// Taking listing lines apart.
#include "filter/listing_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes.h"

namespace pagevet {
namespace {

struct CommaCase {
    std::string line;
    std::int32_t skip;
    std::string path;
    std::string fileName;
    std::string sizeText;
    unsigned found;
};

class CommaLine : public ::testing::TestWithParam<CommaCase> {};

TEST_P(CommaLine, SplitsIntoRecord) {
    const CommaCase& c = GetParam();
    const ListingRecord record = parseCommaLine(c.line, c.skip);
    EXPECT_EQ(record.found, c.found);
    EXPECT_EQ(record.path, c.path);
    EXPECT_EQ(record.fileName, c.fileName);
    EXPECT_EQ(record.sizeText, c.sizeText);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommaLine,
    ::testing::Values(CommaCase{"C:\\D\\,F.DAT,a,b,c,512\n", 0, "C:\\D\\", "F.DAT", "512\n", 7},
                      CommaCase{"x,y,C:\\D\\,F.DAT,a,b,c,512\n", 2, "C:\\D\\", "F.DAT", "512\n", 7},
                      // Spaces before a field go, spaces after it stay; tabs are not spaces.
                      CommaCase{"C:\\D\\, F.DAT, a,b,c,  512\n", 0, "C:\\D\\", "F.DAT", "512\n", 7},
                      CommaCase{"  /d/ ,f ,a,b,c,\t512\n", 0, "/d/ ", "f ", "\t512\n", 7},
                      // Fewer fields: the size is whatever follows the last comma.
                      CommaCase{"C:\\D\\,F.DAT,512\n", 0, "C:\\D\\", "F.DAT", "512\n", 7},
                      // More fields: they stay in the size text.
                      CommaCase{"/d/,f,a,b,c,512,x\n", 0, "/d/", "f", "512,x\n", 7},
                      CommaCase{"/d/,,a,b,c,512\n", 0, "/d/", "", "512\n", 7},
                      CommaCase{"/d/,f\n", 0, "/d/", "", "f\n", 5},
                      CommaCase{"/d/\n", 0, "", "", "/d/\n", 4},
                      CommaCase{"\n", 0, "", "", "\n", 4}, CommaCase{"", 0, "", "", "", 4},
                      CommaCase{"   ", 0, "", "", "", 4},
                      // A path holding a comma is split there.
                      CommaCase{"/a,b/,f,x,y,z,512\n", 0, "/a", "b/", "z,512\n", 7},
                      // Skipping stops at the last comma, however many fields were asked for.
                      CommaCase{"a,b,c\n", 5, "", "", "c\n", 4},
                      CommaCase{"a,b,/d/,f,1\n", 2147483647, "", "", "1\n", 4},
                      CommaCase{"/d/,f,a,b,c,512\n", -3, "/d/", "f", "512\n", 7}));

TEST(BareLine, IsOneWholeNameWithoutItsLineEnd) {
    const ListingRecord record = parseBareLine(" /a, b/c.dat \n");
    EXPECT_EQ(record.path, " /a, b/c.dat ");
    EXPECT_EQ(record.fileName, "");
    EXPECT_EQ(record.found, 3U);
    EXPECT_TRUE(record.namesFile());
    EXPECT_EQ(parseBareLine("\n").path, "");
    EXPECT_EQ(parseBareLine("last\r").path, "last\r");  // a lone CR is part of the name
}

TEST(ListedSize, DebugLineShowsTextAndValue) {
    testing::StringSink sink;
    platform::TextWriter errors(sink, platform::TextWriter::Flush::afterEachWrite);
    reportListedSize(parseCommaLine("/d/,f,a,b,c, 512\n", 0), errors);
    reportListedSize(parseCommaLine("no commas", 0), errors);
    EXPECT_EQ(sink.text, "Size = <512\r\n>, or 512\r\r\nSize = <no commas>, or 0\r\r\n");
}

}  // namespace
}  // namespace pagevet
