// Listing line parsing without copies: every field is a view into the line.
#include "filter/listing_parser.h"

#include "platform/c_locale.h"

namespace pagevet {
namespace {

std::size_t skipSpaces(std::string_view line, std::size_t at) {
    while (at < line.size() && line[at] == ' ') {
        ++at;
    }
    return at;
}

// Takes the field at `at` when a comma ends it, moving `at` past the comma.
bool takeField(std::string_view line, std::size_t& at, std::string_view& field) {
    at = skipSpaces(line, at);
    const std::size_t comma = line.find(',', at);
    if (comma == std::string_view::npos) {
        return false;
    }
    field = line.substr(at, comma - at);
    at = comma + 1;
    return true;
}

}  // namespace

ListingRecord parseCommaLine(std::string_view line, std::int32_t skipFields) {
    std::size_t at = 0;
    // A missing comma ends the skipping, however large the count.
    for (std::int32_t skipped = 0; skipped < skipFields; ++skipped) {
        const std::size_t comma = line.find(',', at);
        if (comma == std::string_view::npos) {
            break;
        }
        at = comma + 1;
    }

    ListingRecord record;
    if (takeField(line, at, record.path)) {
        record.found |= ListingRecord::pathFound;
    }
    if (takeField(line, at, record.fileName)) {
        record.found |= ListingRecord::fileNameFound;
    }
    takeField(line, at, record.thirdField);
    takeField(line, at, record.fourthField);
    takeField(line, at, record.fifthField);
    record.sizeText = line.substr(skipSpaces(line, at));
    record.found |= ListingRecord::sizeTaken;
    return record;
}

ListingRecord parseBareLine(std::string_view line) {
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    ListingRecord record;
    record.path = line;
    record.found = ListingRecord::pathFound | ListingRecord::fileNameFound;
    return record;
}

void reportListedSize(const ListingRecord& record, platform::TextWriter& errors) {
    // The size text normally ends with the line end, so ">" starts a line of its own.
    errors.print("Size = <%s>, or %d\r\n", {record.sizeText, platform::toInt32(record.sizeText)});
}

}  // namespace pagevet
