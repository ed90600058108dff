// The plain refill, for every source that does not read ahead: one read behind the kept
// bytes, moved to the front of the buffer first.
#include <cstring>

#include "platform/platform.h"

namespace pagevet::platform {

Refill ByteSource::refill(std::vector<char>& buffer, std::size_t from, std::size_t kept,
                          std::size_t reserve) {
    if (from > 0) {
        std::memmove(buffer.data(), buffer.data() + from, kept);
    }
    const IoResult got =
        read(std::span<char>(buffer).subspan(kept, buffer.size() - reserve - kept));
    return {0, kept + got.count, got.error};
}

}  // namespace pagevet::platform
