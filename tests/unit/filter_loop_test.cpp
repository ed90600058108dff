// The order of decisions for one line and what each outcome writes, on a fake file system,
// so that every path can be seen without touching a disk.
#include "filter/filter_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"

namespace pagevet {
namespace {

using platform::TextWriter;

struct Outcome {
    std::string output;
    std::string errors;
    std::vector<std::string> opened;
    int status = -1;
};

class FilterLoop : public ::testing::Test {
  protected:
    FilterLoop() {
        files_.add("/d/V5", std::string("\0\0", 2), 512);
        files_.add("/d/V6", "FC", 1024);
        files_.add("/d/LOWER", "fc", 512);
        files_.add("/d/ODD", std::string("\0\0", 2), 700);
        files_.add("/d/EMPTY", "", 0);
        files_.add("/d/E9", "\xe9\x10", 512);
        files_.add("/d/HUGE", "FC", -1);  // 4 GiB or more
        files_.add("/d/3GIB", "FC", -1073741824);
        files_.add("/d/", "FC", 512);
    }

    Outcome run(const RunSettings& settings, std::string input) {
        testing::ChunkSource source({std::move(input)});
        testing::StringSink output;
        testing::StringSink error;
        platform::Console console{source, output, error, files_, true, false};
        TextWriter errors(error, TextWriter::Flush::afterEachWrite);
        Outcome result;
        result.status = runFilter(settings, console, errors);
        result.output = output.text;
        result.errors = error.text;
        result.opened = files_.opened;
        EXPECT_EQ(files_.openCount, 0) << "a file was left open";
        return result;
    }

    testing::FakeFileSystem files_;
};

RunSettings with(void (*change)(RunSettings&)) {
    RunSettings settings;
    change(settings);
    return settings;
}

TEST_F(FilterLoop, PassesRequestedSignaturesOfGoodLength) {
    const Outcome r = run(with([](RunSettings& s) { s.check5 = s.check6 = true; }),
                          "/d/,V5,a,b,c,512\n/d/,V6,a,b,c,1024\r\n/d/,LOWER,a,b,c,512\n"
                          "/d/,ODD,a,b,c,700\n/d/,3GIB,,,,\n/d/,HUGE,,,,\n");
    EXPECT_EQ(r.output, "/d/,V5,a,b,c,512\r\n/d/,V6,a,b,c,1024\r\n/d/,3GIB,,,,\r\n");
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.status, exitFinished);
}

TEST_F(FilterLoop, DebugExplainsEveryDrop) {
    const Outcome r = run(with([](RunSettings& s) {
                              s.check6 = true;
                              s.debug = true;
                          }),
                          "/d/,V5,,,,512\n/d/,ODD,,,,700\n/d/,E9,,,,512\n/d/,EMPTY,,,,0\n");
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.errors,
              "Size = <512\r\n>, or 512\r\r\nOpened: /d/V5\r\nBytes were:  0,  0\r\n"
              "Size = <700\r\n>, or 700\r\r\nOpened: /d/ODD\r\n"
              "File Not Multiple of 512: /d/ODD\r\n"
              "Size = <512\r\n>, or 512\r\r\nOpened: /d/E9\r\nBytes were: e9, 10\r\n"
              "Size = <0\r\n>, or 0\r\r\nOpened: /d/EMPTY\r\nBad File Read: /d/EMPTY\r\n");
}

TEST_F(FilterLoop, ErrorsAreReportedWithoutDebug) {
    const Outcome r = run(with([](RunSettings& s) { s.check5 = true; }),
                          "/d/,EMPTY,,,,0\n/d/,MISSING,,,,512\n/d/,ODD,,,,700\n");
    EXPECT_EQ(r.errors, "Bad File Read: /d/EMPTY\r\nBad File Encountered: /d/MISSING\r\n");
}

TEST_F(FilterLoop, PassInvalidPassesWhatCannotBeOpened) {
    const Outcome r = run(with([](RunSettings& s) { s.passInvalid = true; }),
                          "/d/,MISSING,,,,512\n/d/,V5,,,,512\n");
    EXPECT_EQ(r.output, "/d/,MISSING,,,,512\r\n");
    EXPECT_EQ(r.errors, "");
}

TEST_F(FilterLoop, LinesThatNameNoFileAreBadUnlessLive) {
    const std::string input = "/d/,V6\n\n/d/V6\n/d/,V6,,,,512";
    const Outcome checked = run(with([](RunSettings& s) { s.check6 = true; }), input);
    EXPECT_EQ(checked.output, "/d/,V6,,,,512");
    EXPECT_EQ(checked.errors,
              "Bad line encountered: /d/,V6\r\nBad line encountered: \r\n"
              "Bad line encountered: /d/V6\r\n");
    EXPECT_EQ(checked.opened, std::vector<std::string>{"/d/V6"});

    const Outcome live =
        run(with([](RunSettings& s) { s.timeSaving = TimeSavingMode::live; }), input);
    EXPECT_EQ(live.output, "/d/,V6\r\n\r\n/d/V6\r\n/d/,V6,,,,512");
    EXPECT_EQ(live.errors, "");
}

TEST_F(FilterLoop, ListedSizeDecidesFirstInTimeSavingModes) {
    const std::string input =
        "/d/,V6,,,,0\n/d/,V6,,,,700\n/d/,V6,,,,\n/d/,V6,,,,2147483648\n"
        "/d/,V6,,,,-512\n/d/,V6,,,,-99999999999\n/d/,V6,,,,512\n/d/,LOWER,,,,1024\n";
    const Outcome checked = run(with([](RunSettings& s) {
                                    s.check6 = true;
                                    s.timeSaving = TimeSavingMode::check;
                                }),
                                input);
    EXPECT_EQ(checked.output, "/d/,V6,,,,-512\r\n/d/,V6,,,,-99999999999\r\n/d/,V6,,,,512\r\n");
    EXPECT_EQ(checked.opened.size(), 4U);

    files_.opened.clear();
    const Outcome live = run(with([](RunSettings& s) {
                                 s.timeSaving = TimeSavingMode::live;
                                 s.debug = true;
                             }),
                             "/d/,X,,,,700\n/d/,X,,,,512\n");
    EXPECT_EQ(live.output, "/d/,X,,,,512\r\n");
    EXPECT_EQ(live.errors,
              "Size = <700\r\n>, or 700\r\r\nPre-File Not Multiple of 512: /d/\r\n"
              "Size = <512\r\n>, or 512\r\r\n");
    EXPECT_TRUE(live.opened.empty());
}

TEST_F(FilterLoop, BareFormatTakesTheWholeLineAsTheName) {
    const Outcome r = run(with([](RunSettings& s) {
                              s.bare = true;
                              s.check6 = true;
                              s.timeSaving = TimeSavingMode::check;
                              s.skipFields = 3;
                          }),
                          "/d/V6\n/d/V6 \n\n/d/,V6,,,,700\n");
    EXPECT_EQ(r.output, "/d/V6\r\n");
    EXPECT_EQ(r.opened, (std::vector<std::string>{"/d/V6", "/d/V6 ", "", "/d/,V6,,,,700"}));
    EXPECT_EQ(r.errors,
              "Bad File Encountered: /d/V6 \r\nBad File Encountered: \r\n"
              "Bad File Encountered: /d/,V6,,,,700\r\n");
}

TEST_F(FilterLoop, DamagedLinesAreReportedBeforeAnythingElse) {
    const std::string overlong(600, 'x');
    const Outcome r =
        run(with([](RunSettings& s) {
                s.timeSaving = TimeSavingMode::live;
                s.debug = true;
            }),
            overlong + "\n" + std::string("/d/,V6\0,,,,512\n", 15) + "/d/,V6,,,,512\n");
    EXPECT_EQ(r.output, "/d/,V6,,,,512\r\n");
    EXPECT_EQ(r.errors, "Bad line encountered: " + std::string(509, 'x') +
                            "\r\nBad line encountered: /d/,V6\r\nSize = <512\r\n>, or 512\r\r\n");
}

TEST_F(FilterLoop, AReadErrorEndsTheRunAfterTheLinesBeforeIt) {
    testing::ChunkSource source({"/d/,V6,,,,512\n"}, 21);
    testing::StringSink output;
    testing::StringSink error;
    platform::Console console{source, output, error, files_, true, false};
    TextWriter errors(error, TextWriter::Flush::afterEachWrite);
    EXPECT_EQ(runFilter(with([](RunSettings& s) { s.check6 = true; }), console, errors),
              exitIoError);
    EXPECT_EQ(output.text, "/d/,V6,,,,512\r\n");
    EXPECT_EQ(error.text, "Error Reading Standard Input: " + platform::errorText(21) + "\r\n");
}

TEST_F(FilterLoop, AWriteErrorStopsTheRun) {
    std::string input;
    for (int i = 0; i < 20000; ++i) {
        input += "/d/,V6,,,,512\n";
    }
    testing::ChunkSource source({input});
    testing::StringSink output;
    output.failFromWrite = 1;
    testing::StringSink error;
    platform::Console console{source, output, error, files_, true, false};
    TextWriter errors(error, TextWriter::Flush::afterEachWrite);
    EXPECT_EQ(runFilter(with([](RunSettings& s) { s.timeSaving = TimeSavingMode::live; }), console,
                        errors),
              exitIoError);
    EXPECT_EQ(output.writes, 1);
    EXPECT_EQ(error.text, "Error Writing Standard Output: " + platform::errorText(28) + "\r\n");
}

TEST_F(FilterLoop, InteractiveOutputGoesOutLineByLine) {
    testing::ChunkSource source({"/d/,V6,,,,512\n/d/,V6,,,,512\n"});
    testing::StringSink output;
    testing::StringSink error;
    platform::Console console{source, output, error, files_, true, true};
    TextWriter errors(error, TextWriter::Flush::afterEachWrite);
    runFilter(with([](RunSettings& s) { s.check6 = true; }), console, errors);
    EXPECT_EQ(output.writes, 2);
}

}  // namespace
}  // namespace pagevet
