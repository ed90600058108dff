// The options of one run, filled once from the command line and only read afterwards.
#pragma once

#include <cstdint>

namespace pagevet {

enum class TimeSavingMode {
    off = 0,
    check = 1,  // /T: drop impossible listed sizes, then check the file as usual
    live = 2,   // /L: decide by the listed size alone, never open a file
};

struct RunSettings {
    bool check5 = false;       // pass files with the Btrieve 5.x signature
    bool check6 = false;       // pass files with the Btrieve 6.x/7.x signature
    bool passInvalid = false;  // pass lines whose file cannot be opened
    std::int32_t skipFields = 0;
    bool debug = false;
    bool bare = false;  // one whole file name per line instead of comma-delimited fields
    TimeSavingMode timeSaving = TimeSavingMode::off;
};

}  // namespace pagevet
