// In-memory standard streams for the fuzzer that remember, for every write, which line of
// the listing the filter was handling: the last line whose bytes the source handed out.
// Storage is reserved before a run, so that recording allocates nothing while the filter
// runs and the memory check sees the filter's allocations alone.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace pagevet::fuzz {

enum class Stream { output, error, open };

// One write to a stream, or one name the filter asked the file system to open.
struct Event {
    Stream stream = Stream::output;
    int line = -1;  // the listing line being handled; -1 before any input was read
    std::size_t offset = 0;
    std::size_t size = 0;
    bool failed = false;  // a write that the sink refused
};

// Everything a run wrote, in the order it was written.
class Recording {
  public:
    void reserve(std::size_t outputBytes, std::size_t errorBytes, std::size_t nameBytes,
                 std::size_t events) {
        output_.reserve(outputBytes);
        error_.reserve(errorBytes);
        names_.reserve(nameBytes);
        events_.reserve(events);
    }

    void add(Stream stream, int line, std::string_view bytes, bool failed = false) {
        std::string& text = textOf(stream);
        if (text.size() + bytes.size() > text.capacity() || events_.size() == events_.capacity()) {
            overflowed_ = true;  // the harness reserved too little: its bug, not the filter's
            return;
        }
        events_.push_back(Event{stream, line, text.size(), bytes.size(), failed});
        text.append(bytes);
    }

    [[nodiscard]] std::string_view bytesOf(const Event& event) const {
        return std::string_view(textOf(event.stream)).substr(event.offset, event.size);
    }
    [[nodiscard]] std::string_view output() const { return output_; }
    [[nodiscard]] std::string_view error() const { return error_; }
    [[nodiscard]] const std::vector<Event>& events() const { return events_; }
    [[nodiscard]] bool overflowed() const { return overflowed_; }

  private:
    std::string& textOf(Stream stream) {
        return stream == Stream::output ? output_ : stream == Stream::error ? error_ : names_;
    }
    [[nodiscard]] const std::string& textOf(Stream stream) const {
        return stream == Stream::output ? output_ : stream == Stream::error ? error_ : names_;
    }

    std::string output_;
    std::string error_;
    std::string names_;
    std::vector<Event> events_;
    bool overflowed_ = false;
};

// Hands out the listing in reads that never cross the end of a listing line (so that the
// line being handled is known at every write), optionally no larger than `chunk` either,
// or - with `crossLines` - in chunks of `chunk` bytes regardless of lines. At the end it
// reports end of input, or the error code it was given.
class ListingSource final : public platform::ByteSource {
  public:
    ListingSource(std::string_view data, std::span<const std::size_t> lineEnds, std::size_t chunk,
                  bool crossLines, int errorAtEnd)
        : data_(data),
          lineEnds_(lineEnds),
          chunk_(chunk),
          crossLines_(crossLines),
          errorAtEnd_(errorAtEnd) {}

    platform::IoResult read(std::span<char> buffer) override {
        if (position_ == data_.size()) {
            ++readsAtEnd_;
            return {0, errorAtEnd_};
        }
        while (lineEnds_[index_] <= position_) {
            ++index_;
        }
        line_ = static_cast<int>(index_);
        std::size_t count = std::min({buffer.size(), chunk_, data_.size() - position_});
        if (!crossLines_) {
            count = std::min(count, lineEnds_[index_] - position_);
        }
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
        lastChunk_ = data_.substr(position_, count);
        position_ += count;
        ++reads_;
        return {count, 0};
    }

    int close() override {
        ++closes_;
        return 0;
    }

    // The line whose bytes the last read handed out.
    [[nodiscard]] const int& line() const { return line_; }
    [[nodiscard]] int readsAtEnd() const { return readsAtEnd_; }
    [[nodiscard]] int reads() const { return reads_; }
    [[nodiscard]] std::string_view lastChunk() const { return lastChunk_; }

  private:
    std::string_view data_;
    std::span<const std::size_t> lineEnds_;  // one past each line's LF, the last at data end
    std::size_t chunk_;
    bool crossLines_;
    int errorAtEnd_;
    std::size_t position_ = 0;
    std::size_t index_ = 0;  // the line that holds position_
    int line_ = -1;
    int readsAtEnd_ = 0;
    int reads_ = 0;
    int closes_ = 0;
    std::string_view lastChunk_;
};

// Records every write; can refuse the failAt-th write (counting from 1) and all after it,
// as a full disk does.
class RecordingSink final : public platform::ByteSink {
  public:
    RecordingSink(Recording& recording, Stream stream, const int& line, int failAt = 0)
        : recording_(recording), stream_(stream), line_(line), failAt_(failAt) {}

    platform::IoResult write(std::span<const char> bytes) override {
        ++writes_;
        const std::string_view text(bytes.data(), bytes.size());
        if (failAt_ > 0 && writes_ >= failAt_) {
            recording_.add(stream_, line_, text, true);
            return {0, ENOSPC};
        }
        recording_.add(stream_, line_, text);
        return {bytes.size(), 0};
    }

  private:
    Recording& recording_;
    Stream stream_;
    const int& line_;
    int failAt_;
    int writes_ = 0;
};

}  // namespace pagevet::fuzz
