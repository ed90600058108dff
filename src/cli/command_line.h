// The command line: options to RunSettings, their confirmations, and the usage screen.
#pragma once

#include <optional>
#include <span>

#include "cli/run_settings.h"
#include "platform/text_writer.h"

namespace pagevet {

// The settings the arguments ask for, confirming each recognised option on `errors` as it
// is applied. No settings at all (nullopt) when there are no arguments: the caller then
// shows the usage screen. args[0] is the program's own name and is never examined.
std::optional<RunSettings> parseCommandLine(std::span<const char* const> args,
                                            platform::TextWriter& errors);

void printUsage(platform::TextWriter& errors);

}  // namespace pagevet
