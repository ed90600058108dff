// What one listing line says: views into the line, valid while the line is.
#pragma once

#include <string_view>

namespace pagevet {

struct ListingRecord {
    // Bits of `found`.
    static constexpr unsigned pathFound = 1;
    static constexpr unsigned fileNameFound = 2;
    static constexpr unsigned sizeTaken = 4;

    std::string_view path;      // directory, normally ending with its separator
    std::string_view fileName;  // appended to path as it stands
    // The three fields between the file name and the size are not kept: nothing is
    // decided by them.
    std::string_view sizeText;  // the rest of the line, line end included
    unsigned found = 0;

    // A line names a file only when both path and file name were taken from it.
    [[nodiscard]] bool namesFile() const {
        return (found & (pathFound | fileNameFound)) == (pathFound | fileNameFound);
    }
};

}  // namespace pagevet
