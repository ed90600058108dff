// The filter: read the listing line by line, decide each line's fate, pass or report.
#pragma once

#include <string_view>

#include "cli/run_settings.h"
#include "filter/file_check.h"
#include "filter/listing_parser.h"
#include "filter/listing_record.h"
#include "platform/byte_blocks.h"
#include "platform/platform.h"
#include "platform/text_writer.h"

namespace pagevet {

// Exit statuses of a filter run.
inline constexpr int exitFinished = 0;  // ran to the end of input
inline constexpr int exitIoError = 2;   // standard input or output failed

// Decides the fate of one line at a time. Holds nothing between lines but the buffer the
// joined name is built in.
class LineFilter {
  public:
    LineFilter(const RunSettings& settings, platform::FileSystem& files,
               platform::TextWriter& output, platform::TextWriter& errors);

    // A line as read, its line end included when it had one, holding no NUL byte, and
    // the count of its commas with where the last one is.
    void handleLine(std::string_view line, platform::ByteCount commas);

    // A line holding a NUL byte: text after a NUL could never be passed as read, nor named
    // to the system, so such a line is damaged, not a listing line.
    void rejectDamagedLine(std::string_view line);

    // The first characters of a line too long to be a listing line; the rest of it is
    // never seen here.
    void rejectOverlongLine(std::string_view head);

  private:
    ListingRecord parseListingLine(std::string_view line, platform::ByteCount commas);
    void decide(std::string_view line, const ListingRecord& record);
    void reportImplausibleSize(const ListingRecord& record);
    void checkNamedFile(std::string_view line, const ListingRecord& record);
    void passLine(std::string_view line);
    void reportBadLine(std::string_view text, bool addLineEnd);

    const RunSettings& settings_;
    platform::FileSystem& files_;
    platform::TextWriter& output_;
    platform::TextWriter& errors_;
    FieldsNeeded fieldsNeeded_;
    JoinedName name_;
};

// Filters standard input to standard output until the input ends or output fails.
// Returns the exit status.
int runFilter(const RunSettings& settings, const platform::Console& console,
              platform::TextWriter& errors);

}  // namespace pagevet
