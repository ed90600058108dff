// At most one open, one read of two bytes and one close per file: the length comes with
// the open, and only the header is ever read.
#include "filter/file_check.h"

#include <algorithm>
#include <cstddef>

#include "filter/time_saving.h"

namespace pagevet {
namespace {

constexpr std::array<unsigned char, 2> btrieve5Signature{0x00, 0x00};
constexpr std::array<unsigned char, 2> btrieve6Signature{'F', 'C'};

bool hasRequestedSignature(const RunSettings& settings,
                           const std::array<unsigned char, 2>& header) {
    return (settings.check5 && header == btrieve5Signature) ||
           (settings.check6 && header == btrieve6Signature);
}

FileCheckResult checkOpenFile(const RunSettings& settings, platform::FileSystem& files,
                              const platform::OpenFile& file) {
    FileCheckResult result;
    if (!isMultipleOf512(file.length)) {
        result.verdict = FileVerdict::wrongLength;
        return result;
    }
    const platform::IoResult got = files.read(file.handle, result.header);
    if (got.failed() || got.count != result.header.size()) {
        result.verdict = FileVerdict::shortRead;
        return result;
    }
    result.verdict = hasRequestedSignature(settings, result.header) ? FileVerdict::passes
                                                                    : FileVerdict::wrongSignature;
    return result;
}

}  // namespace

void JoinedName::join(std::string_view path, std::string_view fileName) {
    // Both fields come from one line, which is far shorter than the buffer; the clamps only
    // keep a misuse from writing past it.
    const std::size_t pathSize = std::min(path.size(), capacity - 1);
    const std::size_t nameSize = std::min(fileName.size(), capacity - 1 - pathSize);
    std::copy_n(path.begin(), pathSize, text_.begin());
    std::copy_n(fileName.begin(), nameSize, text_.begin() + static_cast<std::ptrdiff_t>(pathSize));
    size_ = pathSize + nameSize;
    text_[size_] = '\0';
}

FileCheckResult checkFile(const RunSettings& settings, platform::FileSystem& files,
                          const char* name) {
    const platform::OpenFile file = files.openRegular(name);
    if (!file.isOpen()) {
        return {};
    }
    const FileCheckResult result = checkOpenFile(settings, files, file);
    files.close(file.handle);
    return result;
}

}  // namespace pagevet
