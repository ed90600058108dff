// What the fuzzer knows about a listing without asking the code under test: where its lines
// are, how each must look when passed and when reported, and the invariants every run must
// keep. Written from the rules of the text format, independently of TextReader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run_settings.h"
#include "fuzz_streams.h"

namespace pagevet::fuzz {

struct ReferenceLine {
    std::string_view raw;   // as in the input, line end included when it has one
    bool overlong = false;  // over 509 characters, CR LF counting as one
    bool hasNul = false;
    std::string passedAs;    // the line as it goes out when passed: LF becomes CR LF
    std::string reportedAs;  // the whole "Bad line encountered:" message for it
};

struct Listing {
    std::string_view data;
    std::vector<std::size_t> lineEnds;  // one past each line end in data, the last at its end
    std::vector<ReferenceLine> lines;   // the lines the filter must see
    bool cutAtCtrlZ = false;            // input ends at a 0x1A before its end
};

Listing readListing(std::string_view data, bool endsAtCtrlZ);

// How one run was set up.
struct Scenario {
    bool endsAtCtrlZ = false;
    bool readErrorAtEnd = false;  // the source reports EIO instead of the end
    int failAt = 0;               // standard output refuses this write and all after; 0 never
};

struct RunResult {
    Recording recording;
    int status = -1;
    int readsAtEnd = 0;  // reads made after the source had handed out everything
    std::string_view lastChunk;
};

// The invariants of a run whose reads never crossed a line end and whose standard output
// was written line by line, so that every write is known to belong to one listing line.
void checkLineByLineRun(const Listing& listing, const RunSettings& settings,
                        const Scenario& scenario, const RunResult& run);

// The invariants any run keeps, however its reads and writes were cut.
void checkAnyRun(const Listing& listing, const Scenario& scenario, const RunResult& run);

// Reads cut differently and output buffered differently must not change a single byte.
void checkSameOutcome(const RunResult& lineByLine, const RunResult& other);

}  // namespace pagevet::fuzz
