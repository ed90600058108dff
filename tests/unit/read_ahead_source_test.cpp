// Standard input read ahead from a regular file by a thread of its own: every byte arrives
// once and in order, however it is asked for, an error stays, and the file is left where a
// reader without a thread would have left it. Real files and descriptors: the thread, the
// hand-over and the file position are what is tested.
#include "platform/posix/read_ahead_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/text_reader.h"

namespace pagevet::platform {
namespace {

// The reader's buffer in most tests, and what one block of the thread then holds: the
// buffer less the room kept in front of each block for the start of a line.
constexpr std::size_t readerBuffer = std::size_t{256} * 1024;
constexpr std::size_t oneBlock = readerBuffer - 1024;
constexpr std::size_t mebibyte = std::size_t{1024} * 1024;
constexpr std::size_t scanSlack = lineScanSlack;

// A file of the given bytes in the temporary directory, removed at the end of the test.
class TempFile {
  public:
    explicit TempFile(const std::string& content) {
        path_ = (std::filesystem::temp_directory_path() / "pagevet-read-ahead-XXXXXX").string();
        const int fd = ::mkstemp(path_.data());
        EXPECT_GE(fd, 0) << path_;
        for (std::size_t written = 0; written < content.size();) {
            const ssize_t got = ::write(fd, content.data() + written, content.size() - written);
            EXPECT_GT(got, 0);
            if (got <= 0) {
                break;
            }
            written += static_cast<std::size_t>(got);
        }
        ::close(fd);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { ::unlink(path_.c_str()); }

    // A descriptor open for reading, at the given offset.
    [[nodiscard]] int open(off_t offset = 0) const {
        const int fd = ::open(path_.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0) << path_;
        EXPECT_EQ(::lseek(fd, offset, SEEK_SET), offset);
        return fd;
    }

  private:
    std::string path_;
};

// Lines of a listing's shape, up to the longest the reader passes whole, none holding a CR
// or Ctrl-Z: read as text, they come back byte for byte.
std::string listing(std::size_t size, std::uint32_t seed) {
    static constexpr char alphabet[] = "/srv/data/,ORDERS.DAT,2026-11-02,14:03,A,1024";
    std::string text;
    text.reserve(size);
    std::uint32_t state = seed;
    const auto below = [&state](std::uint32_t limit) {
        state = state * 1103515245U + 12345U;
        return (state >> 16) % limit;
    };
    while (text.size() < size) {
        const std::size_t length = below(8) == 0 ? below(509) : below(80);
        for (std::size_t i = 0; i < length && text.size() + 1 < size; ++i) {
            text += alphabet[below(sizeof alphabet - 1)];
        }
        text += '\n';
    }
    if (!text.empty() && below(2) == 0) {
        text.back() = 'z';  // a last line without line end
    }
    return text;
}

// Everything a line reader hands out, joined; each line's comma tally checked on the way.
std::string readLines(ByteSource& source, std::size_t bufferSize) {
    TextReader reader(source, true, bufferSize);
    std::string text;
    for (auto line = reader.next(); line.kind != TextReader::Kind::end; line = reader.next()) {
        EXPECT_EQ(line.kind, TextReader::Kind::line);
        const ByteCount commas = countBytes(line.text.data(), line.text.size(), ',');
        EXPECT_EQ(line.tally.count, commas.count);
        EXPECT_EQ(line.tally.last, commas.last);
        text += line.text;
    }
    EXPECT_EQ(reader.readError(), 0);
    return text;
}

// "same", or where the bytes read first differ from the file's: a failure says where
// rather than print mebibytes of both.
std::string comparedWith(const std::string& read, const std::string& expected) {
    if (read == expected) {
        return "same";
    }
    const auto differ = std::mismatch(read.begin(), read.end(), expected.begin(), expected.end());
    return "differs from byte " + std::to_string(differ.first - read.begin()) + " on, of " +
           std::to_string(read.size()) + " read and " + std::to_string(expected.size()) +
           " expected";
}

std::string restFrom(int fd) {
    std::string rest;
    char chunk[65536];
    for (ssize_t got = 0; (got = ::read(fd, chunk, sizeof chunk)) > 0;) {
        rest.append(chunk, static_cast<std::size_t>(got));
    }
    return rest;
}

off_t offsetOf(int fd) {
    return ::lseek(fd, 0, SEEK_CUR);
}

// Ends the test program with a message when the test takes longer than the limit: a thread
// that is never stopped, or a reader left waiting for a block that never comes, fails the
// run instead of hanging it.
class Watchdog {
  public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(60))
        : thread_([this, what = std::move(what), limit] {
              std::unique_lock lock(mutex_);
              if (!doneChanged_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s: still not done after %lld s\n", what.c_str(),
                               static_cast<long long>(limit.count()));
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        doneChanged_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable doneChanged_;
    bool done_ = false;
    std::thread thread_;
};

class ReadAheadSourceTest : public ::testing::Test {
  private:
    Watchdog watchdog_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(ReadAheadSourceTest, ALineReaderGetsEveryByteOfTheFile) {
    const std::size_t sizes[] = {
        0, 1, 5, oneBlock - 1, oneBlock, oneBlock + 1, 2 * oneBlock, 3 * mebibyte + 333};
    for (const std::size_t size : sizes) {
        const std::string content = listing(size, static_cast<std::uint32_t>(size));
        const TempFile file(content);
        ReadAheadSource source(file.open());
        EXPECT_EQ(comparedWith(readLines(source, readerBuffer), content), "same")
            << size << " bytes";
        EXPECT_EQ(source.close(), 0);
    }
}

TEST_F(ReadAheadSourceTest, ALineReaderWithASmallBufferGetsEveryByte) {
    // A buffer of 1 KiB leaves too little room in front of a block for the start of a long
    // line: those are copied into the reader's buffer instead of swapped in.
    const std::string content = listing(mebibyte + 77, 3);
    const TempFile file(content);
    ReadAheadSource source(file.open());
    EXPECT_EQ(comparedWith(readLines(source, 1024), content), "same");
    EXPECT_EQ(source.close(), 0);
}

TEST_F(ReadAheadSourceTest, ReadsOfOddSizesReassembleTheFile) {
    // The first read sets the size of the blocks read ahead: tiny ones make tens of thousands
    // of hand-overs, each a chance for the reader and the thread to meet at the wrong time.
    const std::string content = listing(2 * mebibyte + 5, 4);
    const TempFile file(content);
    for (const std::size_t first : {4093U, 61U, 262147U}) {
        ReadAheadSource source(file.open());
        const std::size_t sizes[] = {first, 1, 7, 65537, 300, 262147, 4096};
        std::vector<char> buffer(262147);
        std::string text;
        for (std::size_t i = 0;; ++i) {
            const IoResult got =
                source.read(std::span<char>(buffer).first(sizes[i % std::size(sizes)]));
            ASSERT_EQ(got.error, 0);
            if (got.count == 0) {
                break;
            }
            text.append(buffer.data(), got.count);
        }
        EXPECT_EQ(comparedWith(text, content), "same") << "first read of " << first;
        // The end of input stays the end.
        EXPECT_EQ(source.read(buffer).count, 0U);
        EXPECT_EQ(source.read(buffer).count, 0U);
        EXPECT_EQ(source.close(), 0);
    }
}

// One refill as the reader asks for it: the buffer's size, the bytes kept from the last one
// and where they are.
struct RefillStep {
    std::size_t bufferSize;
    std::size_t kept;
};

TEST_F(ReadAheadSourceTest, RefillsKeepTheKeptBytesInFrontOfTheNewOnes) {
    // Nothing kept, a little, just as much as fits in front of a block (1 KiB for a buffer of
    // 8 KiB) and one byte more, far more, a buffer of another size: the source swaps blocks
    // in where it can and copies where it cannot, and the bytes come out the same either way.
    constexpr std::size_t size = 8192 + scanSlack;
    const RefillStep steps[] = {{size, 0},    {size, 10}, {size, 509},  {size, 1024},
                                {size, 1025}, {size, 0},  {size, 3000}, {5000 + scanSlack, 100},
                                {size, 2047}, {size, 1},  {size, 1023}};
    const std::string content = listing(3 * mebibyte, 5);
    const TempFile file(content);
    ReadAheadSource source(file.open());
    std::vector<char> buffer(steps[0].bufferSize);
    std::size_t begin = 0;  // the bytes of the last refill are at [begin, end)
    std::size_t end = 0;
    std::string text;  // every new byte so far
    for (std::size_t i = 0;; ++i) {
        const RefillStep& step = steps[i % std::size(steps)];
        const std::size_t kept = std::min(step.kept, end - begin);
        std::size_t from = end - kept;
        const std::string keptBytes(buffer.data() + from, kept);
        if (buffer.size() != step.bufferSize) {
            std::vector<char> other(step.bufferSize, '\n');
            std::copy(keptBytes.begin(), keptBytes.end(), other.begin() + 3);
            buffer.swap(other);
            from = 3;
        }
        const Refill got = source.refill(buffer, from, kept, scanSlack);
        ASSERT_EQ(got.error, 0);
        ASSERT_EQ(buffer.size(), step.bufferSize) << "step " << i;
        ASSERT_LE(got.begin + kept, got.end) << "step " << i;
        ASSERT_LE(got.end, buffer.size() - scanSlack) << "step " << i;
        ASSERT_EQ(std::string(buffer.data() + got.begin, kept), keptBytes) << "step " << i;
        if (got.end == got.begin + kept) {
            break;  // the end of input
        }
        text.append(buffer.data() + got.begin + kept, got.end - got.begin - kept);
        begin = got.begin;
        end = got.end;
    }
    EXPECT_EQ(comparedWith(text, content), "same");
    EXPECT_EQ(source.close(), 0);
}

// Where the file is left: a second descriptor shares the file's position with the source's,
// as a shell's standard input shares it with the next program to read it.
struct SharedPosition {
    explicit SharedPosition(const TempFile& file, off_t start)
        : fd(file.open(start)), other(::dup(fd)) {}
    SharedPosition(const SharedPosition&) = delete;
    SharedPosition& operator=(const SharedPosition&) = delete;
    ~SharedPosition() { ::close(other); }

    int fd;     // the source's, closed by it
    int other;  // the test's
};

// Closes source once its thread has had time to read its blocks ahead, which must not
// count: whoever reads the file next starts just behind the bytes handed out.
void expectClosedJustBehind(ReadAheadSource& source, const SharedPosition& position,
                            const std::string& content, off_t start, std::size_t handedOut) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(source.close(), 0);
    EXPECT_EQ(offsetOf(position.other), start + static_cast<off_t>(handedOut));
    EXPECT_EQ(comparedWith(restFrom(position.other),
                           content.substr(static_cast<std::size_t>(start) + handedOut)),
              "same");
}

TEST_F(ReadAheadSourceTest, ClosingLeavesTheFileJustBehindTheBytesReadByReads) {
    const std::string content = listing(3 * mebibyte, 6);
    const TempFile file(content);
    const off_t start = 1000;
    const SharedPosition position(file, start);
    ReadAheadSource source(position.fd);
    std::vector<char> buffer(65536);
    std::size_t handedOut = 0;
    for (const std::size_t size : {65536U, 100U, 7U, 65536U, 1U}) {
        const IoResult got = source.read(std::span<char>(buffer).first(size));
        ASSERT_EQ(got.error, 0);
        ASSERT_GT(got.count, 0U);
        ASSERT_EQ(std::string(buffer.data(), got.count),
                  content.substr(start + handedOut, got.count));
        handedOut += got.count;
    }
    expectClosedJustBehind(source, position, content, start, handedOut);
}

TEST_F(ReadAheadSourceTest, ClosingLeavesTheFileJustBehindTheBytesRefilled) {
    const std::string content = listing(3 * mebibyte, 7);
    const TempFile file(content);
    const off_t start = 4097;
    const SharedPosition position(file, start);
    ReadAheadSource source(position.fd);
    std::vector<char> buffer(readerBuffer + scanSlack);
    std::size_t handedOut = 0;
    Refill got{};
    for (const std::size_t kept : {0U, 0U, 300U}) {
        const std::size_t from = got.end - std::min<std::size_t>(kept, got.end);
        got = source.refill(buffer, from, kept, scanSlack);
        ASSERT_EQ(got.error, 0);
        ASSERT_GT(got.end, got.begin + kept);
        handedOut += got.end - got.begin - kept;
    }
    // A read behind the refills, as a reader that mixes both would.
    const IoResult read = source.read(std::span<char>(buffer).first(10));
    ASSERT_EQ(std::string(buffer.data(), read.count), content.substr(start + handedOut, 10));
    handedOut += read.count;
    expectClosedJustBehind(source, position, content, start, handedOut);
}

TEST_F(ReadAheadSourceTest, DestroyingLeavesTheFileJustBehindTheBytesHandedOut) {
    // The program's standard input is not closed at exit, but destroyed.
    const std::string content = listing(mebibyte, 8);
    const TempFile file(content);
    const int fd = file.open(10);
    std::size_t handedOut = 0;
    {
        ReadAheadSource source(fd);
        std::vector<char> buffer(5000);
        handedOut = source.read(buffer).count;
        handedOut += source.read(buffer).count;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(offsetOf(fd), 10 + static_cast<off_t>(handedOut));
    EXPECT_EQ(comparedWith(restFrom(fd), content.substr(10 + handedOut)), "same");
    ::close(fd);
}

TEST_F(ReadAheadSourceTest, AnUnusedSourceLeavesTheFileWhereItWas) {
    const TempFile file(listing(100000, 9));
    const SharedPosition position(file, 123);
    ReadAheadSource source(position.fd);
    EXPECT_EQ(source.close(), 0);
    EXPECT_EQ(offsetOf(position.other), 123);
}

TEST_F(ReadAheadSourceTest, ReadingToTheEndLeavesTheFileAtItsEnd) {
    const std::string content = listing(2 * mebibyte + 1, 10);
    const TempFile file(content);
    const off_t start = 77;
    const SharedPosition position(file, start);
    ReadAheadSource source(position.fd);
    EXPECT_EQ(comparedWith(readLines(source, readerBuffer), content.substr(start)), "same");
    EXPECT_EQ(source.close(), 0);
    EXPECT_EQ(offsetOf(position.other), static_cast<off_t>(content.size()));
}

// A descriptor whose every read fails: a directory opened for reading (EISDIR).
int unreadable() {
    const int fd = ::open(std::filesystem::temp_directory_path().c_str(), O_RDONLY);
    EXPECT_GE(fd, 0);
    return fd;
}

TEST_F(ReadAheadSourceTest, AReadErrorIsReportedAndStays) {
    ReadAheadSource source(unreadable());
    std::vector<char> buffer(4096);
    for (int i = 0; i < 3; ++i) {
        const IoResult got = source.read(buffer);
        EXPECT_EQ(got.count, 0U);
        EXPECT_EQ(got.error, EISDIR);
    }
    EXPECT_EQ(source.close(), 0);
}

TEST_F(ReadAheadSourceTest, ARefillErrorIsReportedAndStaysWithTheKeptBytes) {
    ReadAheadSource source(unreadable());
    std::vector<char> buffer(readerBuffer + scanSlack, 'k');
    for (int i = 0; i < 3; ++i) {
        const Refill got = source.refill(buffer, 40, 5, scanSlack);
        EXPECT_EQ(got.error, EISDIR);
        EXPECT_EQ(got.end, got.begin + 5);  // no new bytes
        EXPECT_EQ(std::string(buffer.data() + got.begin, 5), "kkkkk");
    }
    EXPECT_EQ(source.close(), 0);
}

TEST_F(ReadAheadSourceTest, ALineReaderSeesTheReadError) {
    ReadAheadSource source(unreadable());
    TextReader reader(source, true, readerBuffer);
    EXPECT_EQ(reader.next().kind, TextReader::Kind::end);
    EXPECT_EQ(reader.readError(), EISDIR);
    EXPECT_EQ(reader.next().kind, TextReader::Kind::end);
    EXPECT_EQ(source.close(), 0);
}

TEST_F(ReadAheadSourceTest, DestroyingItWhileTheThreadIsAheadEndsTheThread) {
    const std::string content = listing(8 * mebibyte, 11);
    const TempFile file(content);
    for (int round = 0; round < 20; ++round) {
        const int fd = file.open();
        {
            ReadAheadSource source(fd);
            TextReader reader(source, true, readerBuffer);
            EXPECT_EQ(reader.next().kind, TextReader::Kind::line);
            if (round % 4 == 0) {
                // Both blocks read ahead: the thread waits for the reader to take one.
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        ::close(fd);
    }
}

TEST_F(ReadAheadSourceTest, DestroyingItAfterTheEndOfInputOrUnusedEndsCleanly) {
    const std::string content = listing(10000, 12);
    const TempFile file(content);
    const int fd = file.open();
    {
        ReadAheadSource source(fd);
        EXPECT_EQ(comparedWith(readLines(source, readerBuffer), content), "same");
    }
    { const ReadAheadSource unused(fd); }
    ::close(fd);
}

}  // namespace
}  // namespace pagevet::platform
