// Standard input that is a regular file, read by a thread of its own: while the filter works
// on one block, the next ones are copied in from the page cache, so that the copy costs the
// run no time. Reading a regular file never blocks for long, so the thread can always be
// stopped and joined.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace pagevet::platform {

class ReadAheadSource final : public ByteSource {
  public:
    explicit ReadAheadSource(int fd) : fd_(fd) {}
    ReadAheadSource(const ReadAheadSource&) = delete;
    ReadAheadSource& operator=(const ReadAheadSource&) = delete;
    ~ReadAheadSource() override;

    IoResult read(std::span<char> buffer) override;
    // Hands over a block read ahead in exchange for buffer, the kept bytes copied in front
    // of its new ones; falls back to copying when they do not fit there.
    Refill refill(std::vector<char>& buffer, std::size_t from, std::size_t kept,
                  std::size_t reserve) override;
    // Stops the thread, leaves the file's position just behind the last byte handed out,
    // as reading without a thread would, and closes the descriptor.
    int close() override;

  private:
    // A block of input: its bytes are at bytes[begin, end); none at all, the end of input
    // or the read error that ended it.
    struct Block {
        std::vector<char> bytes;
        std::size_t begin = 0;
        std::size_t end = 0;
        int error = 0;

        [[nodiscard]] bool endsInput() const { return begin == end; }
    };
    static constexpr std::size_t blockCount = 4;

    bool start(std::size_t blockSize, std::size_t reserve);
    void readAhead();
    IoResult readDirectly(std::span<char> buffer) const;
    Block& oldestBlock();
    void releaseOldest();
    void stop();

    int fd_;
    bool started_ = false;
    bool threaded_ = false;     // false: the thread could not be started; read directly
    std::size_t headroom_ = 0;  // room kept in front of each block's bytes for kept bytes
    std::size_t reserve_ = 0;   // room left unfilled behind them
    std::array<Block, blockCount> blocks_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // Blocks filled by the thread and taken by the reader so far; block n is blocks_[n %
    // blockCount]. Filled minus taken is how far the thread is ahead.
    std::size_t filled_ = 0;
    std::size_t taken_ = 0;
    bool stopping_ = false;
    std::int64_t startOffset_ = -1;  // the file's position before the first read
    std::int64_t bytesRead_ = 0;     // by the thread
    std::int64_t bytesHandedOut_ = 0;
    std::thread thread_;
};

}  // namespace pagevet::platform
