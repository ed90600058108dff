// Text-mode output with its own small printf, so that messages go through the same line
// end translation and buffering as everything else and never need a C string.
#include "platform/text_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace pagevet::platform {

TextWriter::TextWriter(ByteSink& sink, Flush policy, std::size_t bufferSize)
    : sink_(sink), policy_(policy), buffer_(std::max<std::size_t>(bufferSize, 2)) {}

void TextWriter::write(std::string_view text) {
    append(text);
    endOfWrite();
}

void TextWriter::writeLine(std::string_view line) {
    const bool ended = line.ends_with('\n');
    const std::size_t size = line.size() + (ended ? 1 : 0);  // LF becomes CR LF
    if (size > buffer_.size() - used_ || error_ != 0) {
        write(line);
        return;
    }
    char* out = buffer_.data() + used_;
    std::memcpy(out, line.data(), line.size());
    if (ended) {
        out[line.size() - 1] = '\r';
        out[line.size()] = '\n';
    }
    used_ += size;
    if (used_ == buffer_.size()) {
        flush();
    }
    endOfWrite();
}

void TextWriter::print(std::string_view format, std::initializer_list<FormatArg> args) {
    const FormatArg* arg = args.begin();
    std::size_t at = 0;
    while (at < format.size()) {
        const std::size_t percent = format.find('%', at);
        append(format.substr(at, percent - at));
        if (percent == std::string_view::npos) {
            break;
        }
        std::size_t directive = percent + 1;
        std::size_t width = 0;
        while (directive < format.size() && format[directive] >= '0' && format[directive] <= '9') {
            width = width * 10 + static_cast<std::size_t>(format[directive] - '0');
            ++directive;
        }
        const char conversion = directive < format.size() ? format[directive] : '\0';
        if (conversion == 's' || conversion == 'd' || conversion == 'x') {
            if (arg != args.end()) {
                appendArg(*arg++, conversion, width);
            }
        } else if (conversion == '%') {
            append("%");
        } else {
            // Not a conversion this writer knows: show it as it stands.
            append(
                format.substr(percent, directive - percent + (directive < format.size() ? 1 : 0)));
        }
        at = directive + 1;
    }
    endOfWrite();
}

void TextWriter::appendArg(const FormatArg& arg, char conversion, std::size_t width) {
    if (arg.isText()) {
        const std::string_view text = arg.text();
        appendPadded(text.substr(0, text.find('\0')), width);  // a C string ends at its NUL
        return;
    }
    std::array<char, 24> digits{};
    const int base = conversion == 'x' ? 16 : 10;
    const auto result =
        std::to_chars(digits.data(), digits.data() + digits.size(), arg.number(), base);
    appendPadded(
        std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())),
        width);
}

void TextWriter::appendPadded(std::string_view shown, std::size_t width) {
    for (std::size_t pad = shown.size(); pad < width; ++pad) {
        appendRaw(" ");
    }
    append(shown);
}

void TextWriter::append(std::string_view text) {
    while (!text.empty()) {
        const std::size_t lineEnd = text.find('\n');
        if (lineEnd == std::string_view::npos) {
            appendRaw(text);
            return;
        }
        appendRaw(text.substr(0, lineEnd));
        appendRaw("\r\n");
        text.remove_prefix(lineEnd + 1);
    }
}

void TextWriter::appendRaw(std::string_view bytes) {
    while (!bytes.empty() && error_ == 0) {
        const std::size_t room = buffer_.size() - used_;
        const std::size_t part = std::min(room, bytes.size());
        std::memcpy(buffer_.data() + used_, bytes.data(), part);
        used_ += part;
        bytes.remove_prefix(part);
        if (used_ == buffer_.size()) {
            flush();
        }
    }
}

void TextWriter::endOfWrite() {
    if (policy_ == Flush::afterEachWrite) {
        flush();
    }
}

bool TextWriter::flush() {
    if (used_ > 0 && error_ == 0) {
        const IoResult result = sink_.write(std::span<const char>(buffer_.data(), used_));
        error_ = result.error;
    }
    used_ = 0;
    return error_ == 0;
}

bool TextWriter::close() {
    flush();
    const int closeError = sink_.close();
    if (error_ == 0) {
        error_ = closeError;
    }
    return error_ == 0;
}

}  // namespace pagevet::platform
