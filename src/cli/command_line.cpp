// Options are single letters after "/" or "-", matched without regard to case. Anything
// else on the command line is ignored silently, so old scripts with stray words keep
// working.
#include "cli/command_line.h"

#include <string_view>

#include "platform/c_locale.h"

namespace pagevet {
namespace {

using platform::equalsIgnoringCase;

bool isOptionIntroducer(char c) {
    return c == '/' || c == '-';
}

// Applies one option text (what follows "/" or "-"). The tests are exclusive: at most one
// holds for any text, and an option text that meets none is ignored.
void applyOption(std::string_view text, RunSettings& settings, platform::TextWriter& errors) {
    if (equalsIgnoringCase(text, "5")) {
        settings.check5 = true;
        errors.write("Passing Btrieve 5.x Files\n");
    } else if (equalsIgnoringCase(text, "6")) {
        settings.check6 = true;
        errors.write("Passing Btrieve 6.x/7.x Files\n");
    } else if (equalsIgnoringCase(text, "P")) {
        settings.passInvalid = true;
        errors.write("Passing Invalid Files\n");
    } else if (!text.empty() && (text[0] == 'S' || text[0] == 's')) {
        settings.skipFields = platform::toInt32(text.substr(1));
        errors.print("Skipping %d Fields\n", {settings.skipFields});
    } else if (equalsIgnoringCase(text, "D")) {
        settings.debug = true;
        errors.write("Debug Mode On\n");
    } else if (equalsIgnoringCase(text, "B")) {
        settings.bare = true;
        errors.write("Bare Format Enabled\n");
    } else if (equalsIgnoringCase(text, "T")) {
        settings.timeSaving = TimeSavingMode::check;
        errors.write("TimeSaving Mode Enabled\n");
    } else if (equalsIgnoringCase(text, "L")) {
        settings.timeSaving = TimeSavingMode::live;
        errors.write("TimeSaving Live Mode Enabled\n");
    }
}

}  // namespace

std::optional<RunSettings> parseCommandLine(std::span<const char* const> args,
                                            platform::TextWriter& errors) {
    if (args.size() < 2) {
        return std::nullopt;
    }
    RunSettings settings;
    for (const char* arg : args.subspan(1)) {
        const std::string_view text(arg);
        if (!text.empty() && isOptionIntroducer(text[0])) {
            applyOption(text.substr(1), settings, errors);
        }
    }
    return settings;
}

void printUsage(platform::TextWriter& errors) {
    errors.write(
        "PAGEVET Version 2.0: 11/01\n"
        "\n"
        "Usage: PAGEVET [/5] [/6] [/S<fields-to-skip>] [/B] [/D] [/T|L] [/P]\n"
        "    This utility reads a comma-delimited file from stdin, parses out a path\n"
        "    and filename from the specified fields, opens the file, and checks to\n"
        "    see if the file could possibly be in Btrieve 5.x or 6.x format.  If so,\n"
        "    it sends the input line to stdout, else it skips it.\n\n"
        "    Options are:\n"
        "       /5    Check for Btrieve 5.x Files.\n"
        "       /6    Check for Btrieve 6.x/7.x Files.\n"
        "       /S#   Skips the first # fields in the input file.\n"
        "       /T    TimeSaving Mode-Checks File Size from TALLYDIR before opening.\n"
        "       /L    Live: TimeSaving Mode without opening files.\n"
        "       /P    Pass any Invalid Files.\n"
        "       /B    Use Bare (No Commas) Format; Overrides other Switches.\n"
        "       /D    Turn on Debugging Messages.\n\n");
}

}  // namespace pagevet
