// The Windows side of the platform layer: standard streams and files through the C
// runtime's low-level I/O (_read, _write, _sopen_s), one open/fstat/read/close per checked
// file, with narrow names that the runtime takes in the system's ANSI code page.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/length32.h"
#include "platform/platform.h"

namespace pagevet::platform {
namespace {

constexpr int stdinFd = 0;
constexpr int stdoutFd = 1;
constexpr int stderrFd = 2;

// The runtime's byte counts are unsigned int but its results are int: larger requests are
// split.
unsigned int crtCount(std::size_t size) {
    return static_cast<unsigned int>(std::min<std::size_t>(size, INT_MAX));
}

// A pipe whose reader has gone fails a write with one of three system errors, which the
// runtime leaves as EINVAL ("Invalid argument"). The user is told what happened instead.
int writeErrorCode() {
    const unsigned long systemError = _doserrno;
    if (systemError == ERROR_BROKEN_PIPE || systemError == ERROR_NO_DATA ||
        systemError == ERROR_PIPE_NOT_CONNECTED) {
        return EPIPE;
    }
    return errno;
}

class CrtSource final : public ByteSource {
  public:
    explicit CrtSource(int fd) : fd_(fd) {}

    // A pipe whose writer has gone reads as the end of input: the runtime returns 0 for it.
    IoResult read(std::span<char> buffer) override {
        const int got = ::_read(fd_, buffer.data(), crtCount(buffer.size()));
        if (got < 0) {
            return {0, errno};
        }
        return {static_cast<std::size_t>(got), 0};
    }

    int close() override { return ::_close(fd_) == 0 ? 0 : errno; }

  private:
    int fd_;
};

class CrtSink final : public ByteSink {
  public:
    explicit CrtSink(int fd) : fd_(fd) {}

    IoResult write(std::span<const char> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const int put = ::_write(fd_, bytes.data() + done, crtCount(bytes.size() - done));
            if (put < 0) {
                return {done, writeErrorCode()};
            }
            // The runtime itself calls a disk write that took nothing a full disk; a device
            // that takes nothing without an error would otherwise keep this loop spinning.
            if (put == 0) {
                return {done, ENOSPC};
            }
            done += static_cast<std::size_t>(put);
        }
        return {done, 0};
    }

    int close() override { return ::_close(fd_) == 0 ? 0 : errno; }

  private:
    int fd_;
};

// The name as Windows resolves it, or empty when it cannot be resolved (the open then fails
// on its own).
std::string fullPathOf(const char* name) {
    std::array<char, MAX_PATH + 1> local{};
    const DWORD needed =
        ::GetFullPathNameA(name, static_cast<DWORD>(local.size()), local.data(), nullptr);
    if (needed == 0) {
        return {};
    }
    if (needed < local.size()) {
        return std::string(local.data(), needed);
    }
    std::string full(needed, '\0');
    const DWORD written = ::GetFullPathNameA(name, needed, full.data(), nullptr);
    full.resize(written < needed ? written : 0);
    return full;
}

// Windows resolves a device name such as NUL, CON, COM1 or LPT1 (in whatever directory and
// with whatever extension the running version still counts as one) and every name in the
// \\.\ namespace to a \\.\ path. Opening a device can have effects of its own (a serial port
// raises its control lines) or wait for the hardware, so such a name is turned away before
// it is opened, not after.
bool namesDevice(const char* name) {
    return fullPathOf(name).starts_with(R"(\\.\)");
}

// Only a regular file on disk is tested: the runtime reports a character device (a console,
// a port) or a pipe reached by some other spelling with a type of its own.
bool isRegularFile(const struct _stat64& status) {
    return (status.st_mode & _S_IFMT) == _S_IFREG;
}

class CrtFileSystem final : public FileSystem {
  public:
    OpenFile openRegular(const char* name) override {
        if (namesDevice(name)) {
            return {};
        }
        // _SH_DENYNO makes the runtime share read and write access but not delete access
        // (FILE_SHARE_READ | FILE_SHARE_WRITE): a database engine that holds the file open,
        // reading or writing, does not stop the check, nor does the check keep the engine
        // from writing, but nobody can delete or rename the file while its header is read.
        // A file whose owner denies others access fails here like a missing one. Without
        // _O_CREAT and _O_TRUNC the open never creates or truncates; _O_NOINHERIT keeps the
        // handle out of child processes, as O_CLOEXEC does on POSIX.
        int fd = -1;
        if (::_sopen_s(&fd, name, _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0) != 0) {
            return {};
        }
        // One _fstat64 tells both the type and the length, which it takes from the file
        // system without moving the file position.
        struct _stat64 status {};
        if (::_fstat64(fd, &status) != 0 || !isRegularFile(status)) {
            ::_close(fd);
            return {};
        }
        return {fd, toLength32(status.st_size)};
    }

    IoResult read(FileHandle file, std::span<unsigned char> buffer) override {
        const int got = ::_read(static_cast<int>(file), buffer.data(), crtCount(buffer.size()));
        if (got < 0) {
            return {0, errno};
        }
        return {static_cast<std::size_t>(got), 0};
    }

    void close(FileHandle file) override { ::_close(static_cast<int>(file)); }
};

// The runtime's text mode would turn CR LF into LF and stop at Ctrl-Z before TextReader sees
// the bytes, and add a second CR to every line end TextWriter writes as CR LF: the streams
// carry raw bytes, and the text rules are applied once, by the portable layer.
void useBinaryStreams() {
    for (const int fd : {stdinFd, stdoutFd, stderrFd}) {
        ::_setmode(fd, _O_BINARY);
    }
}

}  // namespace

std::string errorText(int error) {
    return std::strerror(error);
}

FileSystem& systemFileSystem() {
    static CrtFileSystem files;
    return files;
}

Console systemConsole() {
    useBinaryStreams();
    static CrtSource input(stdinFd);
    static CrtSink output(stdoutFd);
    static CrtSink error(stderrFd);
    return Console{
        .input = input,
        .output = output,
        .error = error,
        .files = systemFileSystem(),
        // On Windows Ctrl-Z ends text input from every source: a file, a pipe, and the
        // console too, where typing it at the start of a line is how input is ended.
        .inputEndsAtCtrlZ = true,
        .outputIsInteractive = ::_isatty(stdoutFd) != 0,
    };
}

}  // namespace pagevet::platform
