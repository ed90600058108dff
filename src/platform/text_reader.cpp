// Line reading with the text-mode rules, zero-copy: lines are handed out as views into the
// read buffer, and the only translation (CR LF to LF) is made in place.
#include "platform/text_reader.h"

#include <algorithm>
#include <cstring>

namespace pagevet::platform {
namespace {

constexpr char lineFeed = '\n';
constexpr char carriageReturn = '\r';
constexpr char ctrlZ = '\x1a';

// Deciding a line needs one character beyond the limit: is there more after it or not.
constexpr std::size_t window = TextReader::lineLimit + 1;

}  // namespace

TextReader::TextReader(ByteSource& source, bool endsAtCtrlZ, std::size_t bufferSize, char tallied)
    : source_(source),
      endsAtCtrlZ_(endsAtCtrlZ),
      tallied_(static_cast<unsigned char>(tallied)),
      buffer_(std::max(bufferSize, 2 * window) + scanSlack) {}

// Everything next() does not do inline: a line that is not whole in the buffer yet, the
// rest of an overlong line, the end of input.
TextReader::Line TextReader::nextAfterRead() {
    if (skipping_) {
        skipRestOfOverlongLine();
    }
    for (;;) {
        char* start = buffer_.data() + begin_;
        const std::size_t span = std::min(available(), window);
        if (const void* found = std::memchr(start, lineFeed, span)) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - start);
            if (at > 0 && start[at - 1] == carriageReturn) {
                start[at - 1] = lineFeed;  // CR LF counts as one character, the LF
                return take(at + 1, at, Kind::line, tallyOf(start, at));
            }
            if (at < lineLimit) {
                return take(at + 1, at + 1, Kind::line, tallyOf(start, at + 1));
            }
            // lineLimit characters and then a line end: one too many.
        } else if (span < window && !exhausted_) {
            fill();
            continue;
        } else if (span < window) {
            // Input ended within the limit: a last line without a line end, if anything.
            return span == 0 ? Line{} : take(span, span, Kind::line, tallyOf(start, span));
        }
        skipping_ = true;
        return take(lineLimit, lineLimit, Kind::overlong, tallyOf(start, lineLimit));
    }
}

ByteCount TextReader::tallyOf(const char* text, std::size_t length) const {
    return countBytes(text, length, tallied_);
}

void TextReader::findNul(std::size_t from) {
    const char* start = buffer_.data() + from;
    const void* found = std::memchr(start, '\0', end_ - from);
    nextNul_ = found == nullptr
                   ? end_
                   : from + static_cast<std::size_t>(static_cast<const char*>(found) - start);
}

void TextReader::skipRestOfOverlongLine() {
    skipping_ = false;
    for (;;) {
        const char* start = buffer_.data() + begin_;
        if (const void* found = std::memchr(start, lineFeed, available())) {
            consume(static_cast<std::size_t>(static_cast<const char*>(found) - start) + 1);
            return;
        }
        consume(available());
        if (exhausted_) {
            return;
        }
        fill();
    }
}

void TextReader::fill() {
    // The unread part of the line stays in front of the new bytes, so that a line never
    // straddles the end of the buffer and can always be handed out as one view. The source
    // may move it, or hand back another buffer altogether.
    const std::size_t kept = available();
    const std::size_t nulAt = nextNul_ - begin_;  // kept when the kept bytes hold no NUL
    const Refill got = source_.refill(buffer_, begin_, kept, scanSlack);
    begin_ = got.begin;
    end_ = got.begin + kept;
    nextNul_ = begin_ + nulAt;
    if (got.error != 0) {
        error_ = got.error;
        exhausted_ = true;
        return;
    }
    if (got.end == end_) {
        exhausted_ = true;
        return;
    }
    std::size_t count = got.end - end_;
    if (endsAtCtrlZ_) {
        if (const void* stop = std::memchr(buffer_.data() + end_, ctrlZ, count)) {
            // Nothing from Ctrl-Z on is input, and nothing more is ever read: a writer that
            // keeps the pipe open must not keep the run waiting.
            count =
                static_cast<std::size_t>(static_cast<const char*>(stop) - (buffer_.data() + end_));
            exhausted_ = true;
        }
    }
    const bool sawNoNul = nextNul_ == end_;
    end_ += count;
    if (sawNoNul) {
        findNul(end_ - count);
    }
}

}  // namespace pagevet::platform
