// Taking a listing line apart: the comma-delimited format a directory lister writes, and
// the bare format of one whole file name per line.
#pragma once

#include <cstdint>
#include <string_view>

#include "filter/listing_record.h"
#include "platform/byte_blocks.h"
#include "platform/text_writer.h"

namespace pagevet {

// What a caller needs of a comma line. Live mode without debugging decides by the listed
// size alone and never shows a name, so finding where path and file name lie would be
// work for nothing on every line.
enum class FieldsNeeded {
    all,
    sizeOnly,  // `found` and `sizeText` only; path and fileName are left empty
};

// Comma format: skipFields leading fields, then path, file name, three unused fields, and
// the rest of the line as the listed size. Spaces before a field are skipped; a field is
// taken only when a comma ends it. There is no quoting.
ListingRecord parseCommaLine(std::string_view line, std::int32_t skipFields,
                             FieldsNeeded needed = FieldsNeeded::all);

// The same for a line whose commas were counted already, as the text reader does: how many
// there are, and where the last one is (line.size() for none).
ListingRecord parseCommaLine(std::string_view line, platform::ByteCount commas,
                             std::int32_t skipFields, FieldsNeeded needed);

// Bare format: the line without its line end is the whole name; nothing is trimmed.
ListingRecord parseBareLine(std::string_view line);

// The debugging view of the listed size: the text as taken and the value it gives.
void reportListedSize(const ListingRecord& record, platform::TextWriter& errors);

}  // namespace pagevet
