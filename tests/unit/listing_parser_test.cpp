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

// The parser looks for commas many bytes at a time; a plain field-by-field split of the
// same line must always agree with it, wherever the commas and spaces fall.
ListingRecord parseOneFieldAtATime(std::string_view line, std::int32_t skip) {
    std::size_t at = 0;
    for (std::int32_t skipped = 0; skipped < skip; ++skipped) {
        const std::size_t comma = line.find(',', at);
        if (comma == std::string_view::npos) {
            break;
        }
        at = comma + 1;
    }
    ListingRecord record;
    std::string_view* taken[] = {&record.path, &record.fileName, nullptr, nullptr, nullptr};
    for (std::size_t field = 0; field < 5; ++field) {
        while (at < line.size() && line[at] == ' ') {
            ++at;
        }
        const std::size_t comma = line.find(',', at);
        if (comma == std::string_view::npos) {
            break;
        }
        if (taken[field] != nullptr) {
            *taken[field] = line.substr(at, comma - at);
            record.found |= field == 0 ? ListingRecord::pathFound : ListingRecord::fileNameFound;
        }
        at = comma + 1;
    }
    while (at < line.size() && line[at] == ' ') {
        ++at;
    }
    record.sizeText = line.substr(at);
    record.found |= ListingRecord::sizeTaken;
    return record;
}

TEST(CommaLine, AgreesWithAFieldByFieldSplitWhereverTheCommasFall) {
    // Lines of up to 90 characters: commas at every offset within and across blocks of
    // sixteen bytes, next to spaces, to the bytes just below and above a comma ('+', '-')
    // and to bytes with the top bit set; few commas, as in a listing, and many.
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t range) {
        state = state * 1103515245U + 12345U;
        return (state >> 16) % range;
    };
    for (int round = 0; round < 100000; ++round) {
        const std::string alphabet =
            next(2) == 0 ? std::string(",, +-a\xac\xff\n") : std::string(",  +-abcdef\xac\xff/.");
        const std::size_t length = next(round % 3 == 0 ? 21 : 91);
        std::string line;
        for (std::size_t i = 0; i < length; ++i) {
            line += alphabet[next(static_cast<std::uint32_t>(alphabet.size()))];
        }
        for (std::int32_t skip : {0, 1, 3, -2}) {
            const ListingRecord plain = parseOneFieldAtATime(line, skip);
            const ListingRecord all = parseCommaLine(line, skip);
            ASSERT_EQ(all.found, plain.found) << line << " skip " << skip;
            ASSERT_EQ(all.path, plain.path) << line << " skip " << skip;
            ASSERT_EQ(all.fileName, plain.fileName) << line << " skip " << skip;
            ASSERT_EQ(all.sizeText, plain.sizeText) << line << " skip " << skip;
            // What live mode asks for: the same decision, without the names.
            const ListingRecord sizeOnly = parseCommaLine(line, skip, FieldsNeeded::sizeOnly);
            ASSERT_EQ(sizeOnly.found, plain.found) << line << " skip " << skip;
            ASSERT_EQ(sizeOnly.sizeText, plain.sizeText) << line << " skip " << skip;
        }
    }
}

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
