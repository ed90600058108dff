// The time-saving modes: trust the size the listing gives before (or instead of) opening.
// Both tests run for every line of a listing in a time-saving mode, so they are inline.
#pragma once

#include <cstdint>
#include <string_view>

#include "cli/run_settings.h"
#include "filter/listing_record.h"
#include "platform/c_locale.h"

namespace pagevet {

// Zero counts as a multiple, and so does a negative multiple such as -512; -1, the failed
// length query, does not.
constexpr bool isMultipleOf512(std::int32_t value) {
    return value % 512 == 0;
}

// The listed size is checked only in a time-saving mode, and only on a line that names a
// file in the comma format: the bare format has no size to check.
inline bool preCheckApplies(const RunSettings& settings, const ListingRecord& record) {
    constexpr unsigned commaLineNamingFile =
        ListingRecord::pathFound | ListingRecord::fileNameFound | ListingRecord::sizeTaken;
    return settings.timeSaving != TimeSavingMode::off && record.found == commaLineNamingFile;
}

// An empty file is no database, so a listed size of 0 fails here, unlike a length of 0
// found on disk, which the file check lets through to fail at the read.
// line: the line the record was taken from, which holds its size text.
inline bool listedSizeIsPlausible(const ListingRecord& record, std::string_view line) {
    const std::int32_t size = platform::toInt32InLine(record.sizeText, line);
    return size != 0 && isMultipleOf512(size);
}

}  // namespace pagevet
