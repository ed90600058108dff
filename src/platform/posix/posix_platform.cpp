// The POSIX side of the platform layer: standard streams on file descriptors 0, 1 and 2,
// and files opened with open(2), one open/fstat/read/close per checked file.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/length32.h"
#include "platform/platform.h"
#include "platform/posix/read_ahead_source.h"

namespace pagevet::platform {
namespace {

// Waits until a descriptor that someone left in non-blocking mode is ready, so that EAGAIN
// never ends a run that blocking I/O would have finished.
bool awaitReady(int fd, short events) {
    pollfd watch{fd, events, 0};
    while (::poll(&watch, 1, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool isRetryable(int error) {
    return error == EINTR || error == EAGAIN || error == EWOULDBLOCK;
}

class DescriptorSource final : public ByteSource {
  public:
    explicit DescriptorSource(int fd) : fd_(fd) {}

    IoResult read(std::span<char> buffer) override {
        for (;;) {
            const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
            if (got >= 0) {
                return {static_cast<std::size_t>(got), 0};
            }
            const int error = errno;
            if (!isRetryable(error) || (error != EINTR && !awaitReady(fd_, POLLIN))) {
                return {0, error};
            }
        }
    }

    int close() override { return ::close(fd_) == 0 ? 0 : errno; }

  private:
    int fd_;
};

class DescriptorSink final : public ByteSink {
  public:
    explicit DescriptorSink(int fd) : fd_(fd) {}

    IoResult write(std::span<const char> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (put >= 0) {
                done += static_cast<std::size_t>(put);
                continue;
            }
            const int error = errno;
            if (!isRetryable(error) || (error != EINTR && !awaitReady(fd_, POLLOUT))) {
                return {done, error};
            }
        }
        return {done, 0};
    }

    int close() override { return ::close(fd_) == 0 ? 0 : errno; }

  private:
    int fd_;
};

class PosixFileSystem final : public FileSystem {
  public:
    OpenFile openRegular(const char* name) override {
        // O_NONBLOCK: opening a FIFO must never wait for a writer. O_NOCTTY: a terminal
        // named in a listing must not become our controlling terminal.
        const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            return {};
        }
        // One fstat tells both whether this is a regular file and its length, so a check
        // costs no more than open, fstat, read and close.
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            return {};
        }
        return {fd, toLength32(status.st_size)};
    }

    IoResult read(FileHandle file, std::span<unsigned char> buffer) override {
        for (;;) {
            const ssize_t got = ::read(static_cast<int>(file), buffer.data(), buffer.size());
            if (got >= 0) {
                return {static_cast<std::size_t>(got), 0};
            }
            if (errno != EINTR) {
                return {0, errno};
            }
        }
    }

    void close(FileHandle file) override { ::close(static_cast<int>(file)); }
};

}  // namespace

std::string errorText(int error) {
    return std::strerror(error);
}

FileSystem& systemFileSystem() {
    static PosixFileSystem files;
    return files;
}

namespace {

// A regular file is read ahead by a thread of its own; a pipe or terminal is read as its
// writer delivers, on the filter's own thread, so that nothing ever waits on it at exit.
bool inputIsRegularFile() {
    struct stat status {};
    return ::fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode);
}

ByteSource& standardInput() {
    static DescriptorSource stream(STDIN_FILENO);
    static ReadAheadSource file(STDIN_FILENO);
    if (inputIsRegularFile()) {
        return file;
    }
    return stream;
}

}  // namespace

Console systemConsole() {
    static ByteSource& input = standardInput();
    static DescriptorSink output(STDOUT_FILENO);
    static DescriptorSink error(STDERR_FILENO);
    return Console{
        .input = input,
        .output = output,
        .error = error,
        .files = systemFileSystem(),
        .inputEndsAtCtrlZ = ::isatty(STDIN_FILENO) == 0,
        .outputIsInteractive = ::isatty(STDOUT_FILENO) != 0,
    };
}

}  // namespace pagevet::platform
