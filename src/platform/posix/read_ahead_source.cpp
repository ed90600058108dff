// The read-ahead thread and the hand-over of its blocks. The thread owns a block from the
// moment the reader releases it until it is filled again; the reader owns the filled ones
// in order. The two meet only at the counters, under the mutex.
#include "platform/posix/read_ahead_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace pagevet::platform {
namespace {

// Room in front of a block's bytes for what the reader keeps from the block before: the
// start of a line, which a line reader keeps shorter than this.
constexpr std::size_t largestHeadroom = 1024;

// Blocks at least this large when the first request is a plain read, however small it is:
// blocks of a few bytes would cost a hand-over for every few bytes.
constexpr std::size_t smallestReadBlock = std::size_t{64} * 1024;

}  // namespace

ReadAheadSource::~ReadAheadSource() {
    stop();
}

bool ReadAheadSource::start(std::size_t blockSize, std::size_t reserve) {
    started_ = true;
    headroom_ = std::min(largestHeadroom, blockSize / 4);
    reserve_ = reserve;
    if (blockSize <= headroom_ + reserve_) {
        return false;
    }
    startOffset_ = ::lseek(fd_, 0, SEEK_CUR);
    for (Block& block : blocks_) {
        block.bytes.resize(blockSize);
    }
    try {
        thread_ = std::thread([this] { readAhead(); });
    } catch (const std::system_error&) {
        // No thread to be had: the input is still there, read the plain way.
        return false;
    }
    threaded_ = true;
    return true;
}

void ReadAheadSource::readAhead() {
    for (std::size_t next = 0;; ++next) {
        Block& block = blocks_[next % blockCount];
        {
            // Once every block is full, wait until the reader is down to its last one, and
            // then fill the others in one go: one wake-up for several blocks. Reading from
            // the page cache is far quicker than filtering, so the reader finds the next
            // block ready; and a thread woken for every block tends to be run on the
            // reader's own processor, in turn with it instead of beside it.
            std::unique_lock lock(mutex_);
            if (next - taken_ == blockCount) {
                changed_.wait(lock, [&] { return stopping_ || next - taken_ <= 1; });
            }
            if (stopping_) {
                return;
            }
        }
        const IoResult got =
            readDirectly(std::span<char>(block.bytes)
                             .subspan(headroom_, block.bytes.size() - headroom_ - reserve_));
        block.begin = headroom_;
        block.end = headroom_ + got.count;
        block.error = got.error;
        {
            const std::lock_guard lock(mutex_);
            bytesRead_ += static_cast<std::int64_t>(got.count);
            filled_ = next + 1;
        }
        changed_.notify_all();
        // The block is the reader's now, and read() empties it as it goes: whether input
        // ended is what this read found, not what the block holds by now.
        if (got.count == 0) {
            return;
        }
    }
}

IoResult ReadAheadSource::readDirectly(std::span<char> buffer) const {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got >= 0) {
            return {static_cast<std::size_t>(got), 0};
        }
        if (errno != EINTR) {
            return {0, errno};
        }
    }
}

ReadAheadSource::Block& ReadAheadSource::oldestBlock() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return filled_ > taken_; });
    return blocks_[taken_ % blockCount];
}

void ReadAheadSource::releaseOldest() {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        ++taken_;
        wake = filled_ - taken_ <= 1;  // what the thread waits for, if it waits
    }
    if (wake) {
        changed_.notify_all();
    }
}

IoResult ReadAheadSource::read(std::span<char> buffer) {
    if (!started_) {
        start(std::max(buffer.size(), smallestReadBlock), 0);
    }
    if (!threaded_) {
        return readDirectly(buffer);
    }
    Block& block = oldestBlock();
    if (block.endsInput()) {
        return {0, block.error};  // kept, so that every later read ends the same way
    }
    const std::size_t count = std::min(buffer.size(), block.end - block.begin);
    std::memcpy(buffer.data(), block.bytes.data() + block.begin, count);
    block.begin += count;
    bytesHandedOut_ += static_cast<std::int64_t>(count);
    if (block.begin == block.end) {
        releaseOldest();
    }
    return {count, 0};
}

Refill ReadAheadSource::refill(std::vector<char>& buffer, std::size_t from, std::size_t kept,
                               std::size_t reserve) {
    if (!started_) {
        start(buffer.size(), reserve);
    }
    if (!threaded_ || reserve != reserve_) {
        return ByteSource::refill(buffer, from, kept, reserve);
    }
    Block& block = oldestBlock();
    if (block.endsInput()) {
        return {from, from + kept, block.error};
    }
    if (kept > block.begin || buffer.size() != block.bytes.size()) {
        return ByteSource::refill(buffer, from, kept, reserve);
    }
    const std::size_t begin = block.begin - kept;
    if (kept > 0) {
        std::memcpy(block.bytes.data() + begin, buffer.data() + from, kept);
    }
    const Refill filled{begin, block.end, 0};
    bytesHandedOut_ += static_cast<std::int64_t>(block.end - block.begin);
    // The reader's old buffer becomes the thread's to fill.
    std::swap(buffer, block.bytes);
    releaseOldest();
    return filled;
}

void ReadAheadSource::stop() {
    if (!thread_.joinable()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
    // Whoever reads the file after us finds it where a reader without a thread would have
    // left it.
    if (startOffset_ >= 0 && bytesRead_ != bytesHandedOut_) {
        ::lseek(fd_, startOffset_ + bytesHandedOut_, SEEK_SET);
    }
}

int ReadAheadSource::close() {
    stop();
    return ::close(fd_) == 0 ? 0 : errno;
}

}  // namespace pagevet::platform
