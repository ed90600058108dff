// libFuzzer target: arbitrary bytes through pagevet's whole input path - command line,
// text reader and its line limit, parser, decisions, file check on real files, text writer
// - with every run checked against invariants that hold whatever the input.
//
// An input is laid out as
//   byte 0   the run's setup, bit by bit:
//              0  Ctrl-Z ends the input (as from a file or pipe; else as from a terminal)
//              1  reading fails with EIO at the end instead of reporting the end
//              2  standard output refuses its write number (byte 1 % 32) + 1 and all after
//              3-5 the read size of the second run: 1 2 3 7 64 509 510 or 1 MiB
//              6  the second run writes standard output line by line, not in blocks
//              7  the first run's reads are cut to that size too
//   byte 1   see bit 2
//   then     the command line: words separated by spaces, up to the first LF
//   then     the listing
//
// Each listing is filtered twice. The first run hands out reads that never cross a line
// end and writes standard output line by line, so every write is known to belong to one
// listing line and the per-line invariants can be checked; the second cuts reads anywhere
// and must produce the very same bytes.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "filter/filter_loop.h"
#include "fuzz_check.h"
#include "fuzz_fixture.h"
#include "fuzz_memory.h"
#include "fuzz_oracle.h"
#include "fuzz_streams.h"
#include "platform/platform.h"
#include "platform/text_writer.h"

namespace {

using namespace pagevet;

// The filter holds a read buffer of 128 KiB and a write buffer of 64 KiB, and nothing per
// line.
constexpr std::int64_t memoryBudget = 224 * 1024;
constexpr long allocationBudget = 8;
constexpr std::size_t maxArguments = 32;
constexpr std::array<std::size_t, 8> readSizes{1, 2, 3, 7, 64, 509, 510, std::size_t{1} << 20};

std::string fixtureRoot;

struct FuzzInput {
    fuzz::Scenario scenario;
    std::size_t readSize = 0;
    bool firstRunCutsReads = false;
    bool secondRunLineByLine = false;
    std::string_view commandLine;
    std::string_view listing;
};

FuzzInput splitInput(std::string_view bytes) {
    const auto setup = static_cast<unsigned char>(bytes[0]);
    const auto failAt = static_cast<unsigned char>(bytes[1]);
    FuzzInput input;
    input.scenario.endsAtCtrlZ = (setup & 0x01) != 0;
    input.scenario.readErrorAtEnd = (setup & 0x02) != 0;
    input.scenario.failAt = (setup & 0x04) != 0 ? failAt % 32 + 1 : 0;
    input.readSize = readSizes[(setup >> 3) & 0x07];
    input.secondRunLineByLine = (setup & 0x40) != 0;
    input.firstRunCutsReads = (setup & 0x80) != 0;
    const std::string_view rest = bytes.substr(2);
    const std::size_t lf = rest.find('\n');
    input.commandLine = rest.substr(0, lf);
    input.listing = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    return input;
}

// argv as a shell would build it from the words: the program's name, then each word.
class Arguments {
  public:
    explicit Arguments(std::string_view words) : storage_("pagevet") {
        storage_ += '\0';
        std::vector<std::size_t> starts{0};
        for (std::size_t at = 0; starts.size() <= maxArguments;) {
            const std::size_t space = words.find(' ', at);
            starts.push_back(storage_.size());
            storage_.append(words.substr(at, space - at));
            storage_ += '\0';
            if (space == std::string_view::npos) {
                break;
            }
            at = space + 1;
        }
        if (words.empty()) {
            starts.pop_back();  // no words at all: the program's name alone
        }
        for (const std::size_t start : starts) {
            argv_.push_back(storage_.c_str() + start);
        }
    }

    [[nodiscard]] std::span<const char* const> argv() const { return argv_; }

  private:
    std::string storage_;
    std::vector<const char*> argv_;
};

// The lowest free descriptor: it moves when a run leaves one open.
int lowestFreeDescriptor() {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    fuzz::require(fd >= 0, "fuzzer: cannot open /dev/null");
    ::close(fd);
    return fd;
}

void reserveRecording(fuzz::Recording& recording, const fuzz::Listing& listing) {
    const std::size_t bytes = listing.data.size();
    const std::size_t lines = listing.lines.size() + 2;
    // Output doubles at worst (LF to CR LF); a line gives at most a size line, an Opened
    // line and one verdict, each holding at most the line once and a few words.
    recording.reserve(2 * bytes + 16, 4 * bytes + 160 * lines + 256, bytes + 16, 8 * lines + 16);
}

fuzz::RunResult filterOnce(const RunSettings& settings, const fuzz::Listing& listing,
                           const fuzz::Scenario& scenario, std::size_t readSize, bool crossLines,
                           bool lineByLine) {
    fuzz::RunResult result;
    reserveRecording(result.recording, listing);
    fuzz::ListingSource source(listing.data, listing.lineEnds, readSize, crossLines,
                               scenario.readErrorAtEnd ? EIO : 0);
    fuzz::RecordingSink output(result.recording, fuzz::Stream::output, source.line(),
                               scenario.failAt);
    fuzz::RecordingSink error(result.recording, fuzz::Stream::error, source.line());
    fuzz::FixtureFileSystem files(fixtureRoot, result.recording, source.line());
    const platform::Console console{source, output, error, files, scenario.endsAtCtrlZ, lineByLine};
    // As main() sets up standard error: every message handed over whole, at once.
    platform::TextWriter errors(error, platform::TextWriter::Flush::afterEachWrite, 4096);

    fuzz::AllocationWatch watch;
    result.status = runFilter(settings, console, errors);
    const fuzz::AllocationTally memory = watch.stop();

    fuzz::require(memory.count <= allocationBudget && memory.peakBytes <= memoryBudget,
                  "the filter's memory grows with its input");
    fuzz::require(memory.bytesAtEnd <= 0, "the filter leaked memory");
    fuzz::require(!files.anyOpen(), "a file was left open");
    result.readsAtEnd = source.readsAtEnd();
    result.lastChunk = source.lastChunk();
    return result;
}

std::optional<RunSettings> settingsFrom(std::string_view commandLine) {
    const Arguments arguments(commandLine);
    fuzz::Recording confirmations;
    confirmations.reserve(0, 16 * 1024, 0, 2 * maxArguments + 4);
    const int noLine = -1;
    fuzz::RecordingSink sink(confirmations, fuzz::Stream::error, noLine);
    platform::TextWriter errors(sink, platform::TextWriter::Flush::afterEachWrite, 4096);
    auto settings = parseCommandLine(arguments.argv(), errors);
    if (!settings) {
        printUsage(errors);
        fuzz::require(confirmations.error().starts_with("PAGEVET"), "no usage screen");
    }
    fuzz::require(!confirmations.overflowed(), "fuzzer: the recording was reserved too small");
    return settings;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    pagevet::fuzz::installAllocationHooks();
    fixtureRoot = pagevet::fuzz::makeFixture();
    // The C library may allocate the first time it looks up an error text, once for good;
    // let that happen before any allocation is counted.
    (void)pagevet::platform::errorText(EIO);
    (void)pagevet::platform::errorText(ENOSPC);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const FuzzInput input = splitInput(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::optional<RunSettings> settings = settingsFrom(input.commandLine);
    if (!settings) {
        return 0;
    }
    const fuzz::Listing listing = fuzz::readListing(input.listing, input.scenario.endsAtCtrlZ);
    const int freeDescriptor = lowestFreeDescriptor();

    const fuzz::RunResult lineByLine = filterOnce(
        *settings, listing, input.scenario,
        input.firstRunCutsReads ? input.readSize : std::numeric_limits<std::size_t>::max(), false,
        true);
    fuzz::checkLineByLineRun(listing, *settings, input.scenario, lineByLine);
    fuzz::checkAnyRun(listing, input.scenario, lineByLine);

    const fuzz::RunResult cut = filterOnce(*settings, listing, input.scenario, input.readSize, true,
                                           input.secondRunLineByLine);
    fuzz::checkAnyRun(listing, input.scenario, cut);
    // With the same write refused, only line-by-line output fails at the same place.
    if (input.scenario.failAt == 0 || input.secondRunLineByLine) {
        fuzz::checkSameOutcome(lineByLine, cut);
    }

    fuzz::require(lowestFreeDescriptor() == freeDescriptor, "a file descriptor was leaked");
    return 0;
}
