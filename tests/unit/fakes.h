// In-memory stand-ins for the platform layer: scripted input, captured output, and a file
// system of named byte strings that records what was opened and whether it was closed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pagevet::testing {

// Hands out its chunks one read at a time, then the end of input or an error.
class ChunkSource final : public platform::ByteSource {
  public:
    explicit ChunkSource(std::vector<std::string> chunks, int errorAtEnd = 0)
        : chunks_(std::move(chunks)), errorAtEnd_(errorAtEnd) {}

    platform::IoResult read(std::span<char> buffer) override {
        ++reads;
        if (next_ == chunks_.size()) {
            return {0, errorAtEnd_};
        }
        std::string& chunk = chunks_[next_];
        const std::size_t count = std::min(buffer.size(), chunk.size());
        std::copy_n(chunk.begin(), count, buffer.begin());
        chunk.erase(0, count);
        if (chunk.empty()) {
            ++next_;
        }
        return {count, 0};
    }

    // Whether every chunk was handed out.
    [[nodiscard]] bool drained() const { return next_ == chunks_.size(); }
    int reads = 0;

  private:
    std::vector<std::string> chunks_;
    std::size_t next_ = 0;
    int errorAtEnd_;
};

// Hands out the same chunks as ChunkSource, but refills the way a source that reads ahead
// does: into a buffer of its own, swapped for the reader's, with the kept bytes copied to a
// place further in that changes from one refill to the next. Every byte it does not fill
// holds line ends and commas, and the buffer it gets back is overwritten with them at once,
// so that a reader looking at stale bytes or beyond what was read is caught.
class SwappingChunkSource final : public platform::ByteSource {
  public:
    explicit SwappingChunkSource(std::vector<std::string> chunks, int errorAtEnd = 0)
        : chunks_(std::move(chunks), errorAtEnd) {}

    platform::IoResult read(std::span<char> buffer) override { return chunks_.read(buffer); }

    platform::Refill refill(std::vector<char>& buffer, std::size_t from, std::size_t kept,
                            std::size_t reserve) override {
        ++refills;
        std::vector<char> fresh(buffer.size());
        fillWithLineEndsAndCommas(fresh);
        const std::size_t room = buffer.size() - reserve - kept;
        const std::size_t begin =
            std::min(static_cast<std::size_t>(1 + refills * 13 % 61), room - 1);
        std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(from), kept,
                    fresh.begin() + static_cast<std::ptrdiff_t>(begin));
        const platform::IoResult got =
            chunks_.read(std::span<char>(fresh).subspan(begin + kept, room - begin));
        buffer.swap(fresh);
        fillWithLineEndsAndCommas(fresh);
        return {begin, begin + kept + got.count, got.error};
    }

    int refills = 0;

  private:
    static void fillWithLineEndsAndCommas(std::vector<char>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = i % 2 == 0 ? '\n' : ',';
        }
    }

    ChunkSource chunks_;
};

// Collects what is written; can be told to fail from a given write on.
class StringSink final : public platform::ByteSink {
  public:
    platform::IoResult write(std::span<const char> bytes) override {
        ++writes;
        if (failFromWrite > 0 && writes >= failFromWrite) {
            return {0, failWith};
        }
        text.append(bytes.data(), bytes.size());
        return {bytes.size(), 0};
    }

    std::string text;
    int writes = 0;
    int failFromWrite = 0;  // 0: never fail
    int failWith = 28;      // any non-zero code
};

class FakeFileSystem final : public platform::FileSystem {
  public:
    struct File {
        std::string header;  // the first bytes; what a read returns
        std::int32_t length = 0;
    };

    void add(const std::string& name, std::string header, std::int32_t length) {
        files_[name] = File{std::move(header), length};
    }

    platform::OpenFile openRegular(const char* name) override {
        opened.emplace_back(name);
        const auto found = files_.find(name);
        if (found == files_.end()) {
            return {};
        }
        ++openCount;
        current_ = &found->second;
        return {1, found->second.length};
    }

    platform::IoResult read(platform::FileHandle /*file*/,
                            std::span<unsigned char> buffer) override {
        const std::size_t count = std::min(buffer.size(), current_->header.size());
        std::copy_n(current_->header.begin(), count, buffer.begin());
        return {count, 0};
    }

    void close(platform::FileHandle /*file*/) override {
        --openCount;
        current_ = nullptr;
    }

    std::vector<std::string> opened;  // every name asked for, in order
    int openCount = 0;                // files open right now

  private:
    std::map<std::string, File> files_;
    File* current_ = nullptr;
};

}  // namespace pagevet::testing
