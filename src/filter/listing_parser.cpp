// Listing line parsing without copies: every field is a view into the line.
#include "filter/listing_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/byte_words.h"
#include "platform/c_locale.h"

namespace pagevet {
namespace {

// The next comma at or after `at`, or nullptr. The library's search looks at many bytes at
// a time, so a field costs little more than the call, where a loop over its characters
// would cost several instructions for each of them.
const char* nextComma(const char* at, const char* end) {
    return static_cast<const char*>(std::memchr(at, ',', static_cast<std::size_t>(end - at)));
}

// A field that a comma ends, without the spaces in front of it.
std::string_view fieldBefore(const char* at, const char* comma) {
    while (*at == ' ') {  // the comma stops this
        ++at;
    }
    return {at, static_cast<std::size_t>(comma - at)};
}

// The three fields between the file name and the size are not used: only their commas
// count, because they tell where the size starts.
constexpr int unusedFields = 3;

// Just past the count-th comma from at, or past the last comma there is when there are
// fewer (at itself when there is none). The fields passed over are short, a date, a time,
// and attributes, so a word at a time beats a library search per field.
const char* pastCommas(const char* at, const char* end, int count) {
    const char* past = at;
    for (; end - at >= static_cast<std::ptrdiff_t>(platform::byteWordSize);
         at += platform::byteWordSize) {
        for (platform::ByteWord commas = platform::bytesEqualTo(platform::loadByteWord(at), ',');
             commas != 0; commas &= commas - 1) {
            past = at + platform::firstMarkedByte(commas) + 1;
            if (--count == 0) {
                return past;
            }
        }
    }
    for (; at != end; ++at) {
        if (*at == ',') {
            past = at + 1;
            if (--count == 0) {
                break;
            }
        }
    }
    return past;
}

}  // namespace

ListingRecord parseCommaLine(std::string_view line, std::int32_t skipFields) {
    const char* at = line.data();
    const char* const end = at + line.size();
    // A missing comma ends the skipping, however large the count.
    for (std::int32_t skipped = 0; skipped < skipFields; ++skipped) {
        const char* comma = nextComma(at, end);
        if (comma == nullptr) {
            break;
        }
        at = comma + 1;
    }

    ListingRecord record;
    record.found = ListingRecord::sizeTaken;
    if (const char* pathEnd = nextComma(at, end)) {
        record.path = fieldBefore(at, pathEnd);
        record.found |= ListingRecord::pathFound;
        at = pathEnd + 1;
        if (const char* nameEnd = nextComma(at, end)) {
            record.fileName = fieldBefore(at, nameEnd);
            record.found |= ListingRecord::fileNameFound;
            at = nameEnd + 1;
            at = pastCommas(at, end, unusedFields);
        }
    }
    while (at != end && *at == ' ') {
        ++at;
    }
    record.sizeText = std::string_view(at, static_cast<std::size_t>(end - at));
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
