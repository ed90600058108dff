// Standard output and standard error written as text: every LF goes out as CR LF, so a
// line always ends the same way whatever platform the output is read on. Output is
// gathered in a buffer and handed to the ByteSink in large blocks, or after every write
// for a stream that someone watches (a terminal) or that must not lag (standard error).
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace pagevet::platform {

// One argument of TextWriter::print: a text for %s or a number for %d and %x.
class FormatArg {
  public:
    FormatArg(std::string_view text)
        : text_(text), isText_(true) {}  // NOLINT(google-explicit-constructor)
    FormatArg(const char* text)
        : FormatArg(std::string_view(text)) {}  // NOLINT(google-explicit-constructor)
    FormatArg(const std::string& text)
        : FormatArg(std::string_view(text)) {}  // NOLINT(google-explicit-constructor)
    template <std::integral Number>
    FormatArg(Number number)
        : number_(static_cast<std::int64_t>(number)) {}  // NOLINT(google-explicit-constructor)

    [[nodiscard]] bool isText() const { return isText_; }
    [[nodiscard]] std::string_view text() const { return text_; }
    [[nodiscard]] std::int64_t number() const { return number_; }

  private:
    std::string_view text_;
    std::int64_t number_ = 0;
    bool isText_ = false;
};

class TextWriter {
  public:
    enum class Flush { whenFull, afterEachWrite };

    TextWriter(ByteSink& sink, Flush policy, std::size_t bufferSize = std::size_t{64} * 1024);

    // Writes text as it is, up to its end; each LF in it goes out as CR LF.
    void write(std::string_view text);

    // The same for one line of text: its only LF, if it has one, is its last character.
    // A line that fits into the buffer costs one copy, with no search for line ends.
    void writeLine(std::string_view line);

    // A formatted write with printf's meaning of %s (text up to a NUL), %d, %x and a field
    // width (%2x), and %%. The whole message is handed to the sink at once.
    void print(std::string_view format, std::initializer_list<FormatArg> args);

    // Hands everything buffered to the sink. Returns false once any write has failed.
    bool flush();

    // Flushes, then releases the stream. Returns false when anything failed on the way.
    bool close();

    // The platform's error code of the first failed write, else 0. After a failure
    // nothing more is written.
    [[nodiscard]] int error() const { return error_; }

  private:
    void append(std::string_view text);
    void appendRaw(std::string_view bytes);
    void appendArg(const FormatArg& arg, char conversion, std::size_t width);
    void appendPadded(std::string_view shown, std::size_t width);
    void endOfWrite();

    ByteSink& sink_;
    Flush policy_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    int error_ = 0;
};

}  // namespace pagevet::platform
