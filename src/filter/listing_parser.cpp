// Listing line parsing without copies: every field is a view into the line.
#include "filter/listing_parser.h"

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/byte_blocks.h"
#include "platform/c_locale.h"

namespace pagevet {
namespace {

constexpr std::size_t none = std::string_view::npos;

// The first comma at or after at, or none, looked for sixteen bytes at a time, in a line
// of sixteen bytes or more.
std::size_t nextCommaFurther(const char* text, std::size_t at, std::size_t size) {
    using platform::byteBlockSize;
    for (; size - at >= byteBlockSize; at += byteBlockSize) {
        if (const std::uint32_t commas = platform::markBytes(text + at, ','); commas != 0) {
            return at + static_cast<std::size_t>(std::countr_zero(commas));
        }
    }
    if (at == size) {
        return none;
    }
    // The last sixteen bytes of the line, less those already looked at.
    const std::uint32_t commas =
        platform::markBytes(text + size - byteBlockSize, ',') >> (byteBlockSize - (size - at));
    return commas == 0 ? none : at + static_cast<std::size_t>(std::countr_zero(commas));
}

// The first comma at or after at, or none. Most fields end within sixteen bytes, which are
// looked at in one step, here, inline; near the end of the line the step looks at the
// line's last sixteen bytes instead.
inline std::size_t nextComma(const char* text, std::size_t at, std::size_t size) {
    using platform::byteBlockSize;
    const std::size_t left = size - at;
    if (size < byteBlockSize) {
        const std::uint32_t commas = platform::markBytesOfShortBlock(text + at, size - at, ',');
        return commas == 0 ? none : at + static_cast<std::size_t>(std::countr_zero(commas));
    }
    const std::uint32_t commas =
        left >= byteBlockSize
            ? platform::markBytes(text + at, ',')
            : platform::markBytes(text + size - byteBlockSize, ',') >> (byteBlockSize - left);
    if (commas != 0) {
        return at + static_cast<std::size_t>(std::countr_zero(commas));
    }
    return left > byteBlockSize ? nextCommaFurther(text, at + byteBlockSize, size) : none;
}

std::size_t skipSpaces(const char* text, std::size_t at, std::size_t size) {
    while (at != size && text[at] == ' ') {
        ++at;
    }
    return at;
}

// The field from at up to the comma at end, without the spaces in front of it.
std::string_view fieldBefore(const char* text, std::size_t at, std::size_t end) {
    at = skipSpaces(text, at, end);
    return {text + at, end - at};
}

// The fields after the skipped ones whose commas parsing looks for: path, file name, and
// three that are not used, whose commas only tell where the size starts.
constexpr std::size_t fieldsTaken = 5;
constexpr int unusedFields = 3;

// The general way: the commas one by one, from the left.
ListingRecord parseFieldByField(std::string_view line, std::int32_t skipFields) {
    const char* const text = line.data();
    const std::size_t size = line.size();
    std::size_t at = 0;
    // A missing comma ends the skipping, however large the count.
    for (std::int32_t skipped = 0; skipped < skipFields; ++skipped) {
        const std::size_t comma = nextComma(text, at, size);
        if (comma == none) {
            break;
        }
        at = comma + 1;
    }

    // Skipping the spaces before a field never passes the comma that ends it.
    ListingRecord record{{}, {}, {}, ListingRecord::sizeTaken};
    if (const std::size_t pathEnd = nextComma(text, at, size); pathEnd != none) {
        record.path = fieldBefore(text, at, pathEnd);
        record.found |= ListingRecord::pathFound;
        at = pathEnd + 1;
        if (const std::size_t nameEnd = nextComma(text, at, size); nameEnd != none) {
            record.fileName = fieldBefore(text, at, nameEnd);
            record.found |= ListingRecord::fileNameFound;
            at = nameEnd + 1;
            for (int unused = 0; unused < unusedFields; ++unused) {
                const std::size_t comma = nextComma(text, at, size);
                if (comma == none) {
                    break;
                }
                at = comma + 1;
            }
        }
    }
    at = skipSpaces(text, at, size);
    record.sizeText = std::string_view(text + at, size - at);
    return record;
}

}  // namespace

ListingRecord parseCommaLine(std::string_view line, std::int32_t skipFields, FieldsNeeded needed) {
    if (skipFields > 0) {
        return parseFieldByField(line, skipFields);
    }
    return parseCommaLine(line, platform::countBytes(line.data(), line.size(), ','), skipFields,
                          needed);
}

ListingRecord parseCommaLine(std::string_view line, platform::ByteCount commas,
                             std::int32_t skipFields, FieldsNeeded needed) {
    const char* const text = line.data();
    const std::size_t size = line.size();
    // A line of a listing has no more commas than the fields it holds. Then each comma ends
    // a field, and the size is what follows the last one: knowing how many commas there
    // are and where the last one is spares finding them one by one, which is left to the
    // other lines, and to lines with fields to skip.
    if (skipFields > 0 || commas.count > fieldsTaken) {
        return parseFieldByField(line, skipFields);
    }
    ListingRecord record{{}, {}, {}, ListingRecord::sizeTaken};
    std::size_t sizeStart = 0;
    if (commas.count >= 1) {
        record.found |= ListingRecord::pathFound;
        sizeStart = commas.last + 1;
    }
    if (commas.count >= 2) {
        record.found |= ListingRecord::fileNameFound;
    }
    sizeStart = skipSpaces(text, sizeStart, size);
    record.sizeText = std::string_view(text + sizeStart, size - sizeStart);
    if (needed == FieldsNeeded::all && commas.count >= 1) {
        const std::size_t pathEnd = nextComma(text, 0, size);
        record.path = fieldBefore(text, 0, pathEnd);
        if (commas.count >= 2) {
            record.fileName = fieldBefore(text, pathEnd + 1, nextComma(text, pathEnd + 1, size));
        }
    }
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
