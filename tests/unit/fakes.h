// In-memory stand-ins for the platform layer: scripted input, captured output, and a file
// system of named byte strings that records what was opened and whether it was closed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
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
