// The file check: could the named file be a Btrieve file of a kind the run asks for?
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "cli/run_settings.h"
#include "filter/listing_record.h"
#include "platform/platform.h"

namespace pagevet {

// The name the check opens: the file name appended to the path as they stand, with no
// separator added (the listing's path ends with its own). Held NUL-terminated for the
// platform's open. Sized for the longest pair of fields a line can hold.
class JoinedName {
  public:
    static constexpr std::size_t capacity = 512;

    void join(std::string_view path, std::string_view fileName);
    [[nodiscard]] const char* c_str() const { return text_.data(); }
    [[nodiscard]] std::string_view view() const { return {text_.data(), size_}; }

  private:
    std::array<char, capacity> text_{};
    std::size_t size_ = 0;
};

enum class FileVerdict {
    cannotOpen,      // missing, not a regular file, or refused
    wrongLength,     // not a multiple of 512, or too large to tell
    shortRead,       // fewer than two bytes came back
    wrongSignature,  // no signature the run asks for
    passes,
};

struct FileCheckResult {
    FileVerdict verdict = FileVerdict::cannotOpen;
    std::array<unsigned char, 2> header{};  // valid from wrongSignature on
};

// Opens the named file, looks at its length and first two bytes, and closes it again.
// Writes nothing: the caller reports the verdict.
FileCheckResult checkFile(const RunSettings& settings, platform::FileSystem& files,
                          const char* name);

}  // namespace pagevet
