// pagevet: passes the lines of a file listing whose files could be Btrieve files.
#include "cli/command_line.h"
#include "filter/filter_loop.h"
#include "platform/platform.h"
#include "platform/text_writer.h"

namespace {
constexpr int exitUsage = 1;
}

int main(int argc, char** argv) {
    const pagevet::platform::Console console = pagevet::platform::systemConsole();
    // Standard error is unbuffered: each message goes out whole, as soon as it is made.
    pagevet::platform::TextWriter errors(
        console.error, pagevet::platform::TextWriter::Flush::afterEachWrite, 4096);
    const auto settings = pagevet::parseCommandLine(
        std::span<const char* const>(argv, static_cast<std::size_t>(argc)), errors);
    if (!settings) {
        pagevet::printUsage(errors);
        return exitUsage;
    }
    return pagevet::runFilter(*settings, console, errors);
}
