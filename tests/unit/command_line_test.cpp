// Options, their confirmations and their order.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"

namespace pagevet {
namespace {

using platform::TextWriter;

struct Parsed {
    std::optional<RunSettings> settings;
    std::string errors;
};

Parsed parse(std::vector<const char*> args) {
    testing::StringSink sink;
    TextWriter errors(sink, TextWriter::Flush::afterEachWrite);
    Parsed parsed{parseCommandLine(args, errors), {}};
    parsed.errors = sink.text;
    return parsed;
}

TEST(CommandLine, NoArgumentsAsksForTheUsageScreen) {
    const Parsed parsed = parse({"pagevet"});
    EXPECT_FALSE(parsed.settings.has_value());
    EXPECT_EQ(parsed.errors, "");
}

TEST(CommandLine, EachOptionSetsItsFieldAndConfirms) {
    const Parsed parsed = parse({"pagevet", "/5", "-6", "/p", "/S2", "-D", "/b", "/t"});
    ASSERT_TRUE(parsed.settings.has_value());
    const RunSettings& s = *parsed.settings;
    EXPECT_TRUE(s.check5);
    EXPECT_TRUE(s.check6);
    EXPECT_TRUE(s.passInvalid);
    EXPECT_EQ(s.skipFields, 2);
    EXPECT_TRUE(s.debug);
    EXPECT_TRUE(s.bare);
    EXPECT_EQ(s.timeSaving, TimeSavingMode::check);
    EXPECT_EQ(parsed.errors,
              "Passing Btrieve 5.x Files\r\n"
              "Passing Btrieve 6.x/7.x Files\r\n"
              "Passing Invalid Files\r\n"
              "Skipping 2 Fields\r\n"
              "Debug Mode On\r\n"
              "Bare Format Enabled\r\n"
              "TimeSaving Mode Enabled\r\n");
}

struct SkipCase {
    const char* arg;
    std::int32_t value;
};

class SkipOption : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkipOption, TakesTheDecimalValueAfterTheLetter) {
    const Parsed parsed = parse({"pagevet", GetParam().arg});
    ASSERT_TRUE(parsed.settings.has_value());
    EXPECT_EQ(parsed.settings->skipFields, GetParam().value);
    EXPECT_EQ(parsed.errors, "Skipping " + std::to_string(GetParam().value) + " Fields\r\n");
}

INSTANTIATE_TEST_SUITE_P(Table, SkipOption,
                         ::testing::Values(SkipCase{"/S3", 3}, SkipCase{"/S+3", 3},
                                           SkipCase{"/S", 0}, SkipCase{"/Sx", 0},
                                           SkipCase{"/S-2", -2}, SkipCase{"/SKIP", 0},
                                           SkipCase{"/s12abc", 12}, SkipCase{"-s 7", 7},
                                           SkipCase{"/S99999999999", 2147483647},
                                           SkipCase{"/S-99999999999", -2147483647 - 1}));

TEST(CommandLine, UnrecognisedTextsAreIgnoredSilently) {
    const Parsed parsed =
        parse({"pagevet", "listing.txt", "/BB", "/5x", "/", "-", "", "5", "/Q", "//5"});
    ASSERT_TRUE(parsed.settings.has_value());
    EXPECT_FALSE(parsed.settings->check5);
    EXPECT_FALSE(parsed.settings->bare);
    EXPECT_EQ(parsed.errors, "");
}

TEST(CommandLine, TheLaterTimeSavingOptionWinsAndBothAreConfirmed) {
    Parsed parsed = parse({"pagevet", "/L", "/T"});
    EXPECT_EQ(parsed.settings->timeSaving, TimeSavingMode::check);
    EXPECT_EQ(parsed.errors, "TimeSaving Live Mode Enabled\r\nTimeSaving Mode Enabled\r\n");
    parsed = parse({"pagevet", "-t", "-l"});
    EXPECT_EQ(parsed.settings->timeSaving, TimeSavingMode::live);
}

TEST(CommandLine, ARepeatedOptionIsConfirmedAgain) {
    EXPECT_EQ(parse({"pagevet", "/5", "/5"}).errors,
              "Passing Btrieve 5.x Files\r\nPassing Btrieve 5.x Files\r\n");
}

TEST(CommandLine, ASkipCountInTheNextArgumentIsNotTaken) {
    const Parsed parsed = parse({"pagevet", "/S", "3"});
    EXPECT_EQ(parsed.settings->skipFields, 0);
    EXPECT_EQ(parsed.errors, "Skipping 0 Fields\r\n");
}

TEST(UsageScreen, IsWrittenWholeWithCrLfLineEnds) {
    testing::StringSink sink;
    TextWriter errors(sink, TextWriter::Flush::afterEachWrite);
    printUsage(errors);
    EXPECT_EQ(sink.writes, 1);
    EXPECT_TRUE(sink.text.starts_with("PAGEVET Version 2.0: 11/01\r\n\r\nUsage: PAGEVET [/5]"));
    EXPECT_TRUE(sink.text.ends_with("       /D    Turn on Debugging Messages.\r\n\r\n"));
    EXPECT_EQ(sink.text.find("\n\n"), std::string::npos);
}

}  // namespace
}  // namespace pagevet
