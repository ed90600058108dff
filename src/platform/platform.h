// The operating system as pagevet sees it: raw standard streams and regular files.
// Each platform implements this interface once; nothing outside src/platform includes
// an OS header. Text-mode rules (line ends, Ctrl-Z, the line limit) are applied on top
// of these raw streams by TextReader and TextWriter, so they hold on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pagevet::platform {

// Result of one raw read or write: a byte count, or an error code of the platform.
struct IoResult {
    std::size_t count = 0;
    int error = 0;  // 0 when the call succeeded

    [[nodiscard]] bool failed() const { return error != 0; }
};

// Where ByteSource::refill left the input in the buffer: the bytes kept from before start at
// begin, the new ones follow them up to end. No new bytes: the end of input, or an error.
struct Refill {
    std::size_t begin = 0;
    std::size_t end = 0;
    int error = 0;
};

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads what is available, at most buffer.size() bytes; a count of 0 is end of input.
    // Blocks until at least one byte, the end or an error arrives.
    virtual IoResult read(std::span<char> buffer) = 0;
    // Reads more input into buffer behind the kept bytes at buffer[from, from + kept), which
    // end up directly in front of the new ones; the last `reserve` bytes of the buffer are
    // never filled. A source that reads ahead may hand back a buffer of its own, of the same
    // size, in exchange: then nothing but the kept bytes is copied. The plain way moves the
    // kept bytes to the front and reads once behind them.
    virtual Refill refill(std::vector<char>& buffer, std::size_t from, std::size_t kept,
                          std::size_t reserve);
    // Releases the stream at the end of the run; returns an error code, 0 on success.
    virtual int close() { return 0; }
};

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Writes all of bytes, or stops at the first error.
    virtual IoResult write(std::span<const char> bytes) = 0;
    // Releases the stream; a failure that shows only here (a deferred write error on a
    // network file system) comes back as an error code, 0 on success.
    virtual int close() { return 0; }
};

using FileHandle = std::intptr_t;
inline constexpr FileHandle noFile = -1;

// A file opened for the check, with its length as the listing's platform tells it: a signed
// 32-bit value, -1 when it cannot be told or is 4 GiB or more, and from 2 GiB up wrapped to
// a negative number.
struct OpenFile {
    FileHandle handle = noFile;
    std::int32_t length = -1;

    [[nodiscard]] bool isOpen() const { return handle != noFile; }
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Opens an existing regular file by name, read-only and without blocking, and tells its
    // length; never creates or truncates, never moves the position. Anything that is not a
    // regular file (a directory, FIFO, socket or device) counts as a failure and is left
    // closed, as does a name that cannot be opened: the result is then not open.
    virtual OpenFile openRegular(const char* name) = 0;
    // One raw read from the current position; count 0 at end of file.
    virtual IoResult read(FileHandle file, std::span<unsigned char> buffer) = 0;
    virtual void close(FileHandle file) = 0;
};

// The process's standard streams and file system, as the filter uses them.
struct Console {
    ByteSource& input;
    ByteSink& output;
    ByteSink& error;
    FileSystem& files;
    // Ctrl-Z (0x1A) ends input read from a file or pipe; a terminal has its own convention.
    bool inputEndsAtCtrlZ = true;
    // An interactive reader wants each passed line at once; anything else gets large blocks.
    bool outputIsInteractive = false;
};

// The system's text for an error code of IoResult, as strerror gives it.
std::string errorText(int error);

// The system's file system on its own, for a caller that brings its own streams (the
// fuzzer feeds the filter from memory but lets it open real files).
FileSystem& systemFileSystem();

// This process's own standard streams and file system.
Console systemConsole();

}  // namespace pagevet::platform
