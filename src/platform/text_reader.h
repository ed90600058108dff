// Standard input read as text, one line at a time: CR LF becomes LF, Ctrl-Z can end the
// input, and no line is longer than the limit. The raw bytes come from a ByteSource.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/byte_blocks.h"
#include "platform/platform.h"

namespace pagevet::platform {

class TextReader {
  public:
    // The most characters one line may have, its line end counted.
    static constexpr std::size_t lineLimit = 509;

    enum class Kind {
        line,      // a whole line, its line end (LF) included when it had one
        overlong,  // the first lineLimit characters of a longer line
        end,       // no more input; readError() tells whether an error ended it
    };
    struct Line {
        Kind kind = Kind::end;
        std::string_view text;  // valid until the next call of next()
        bool holdsNul = false;  // a NUL byte among the characters of text
        // The tallied byte in a whole line: how often, and the last one (text.size() for
        // none). Finding the line end looks at every byte anyway; counting on the way saves
        // the caller a second look.
        ByteCount tally;
    };

    // tallied: the byte each line is tallied for, the field separator of a listing.
    TextReader(ByteSource& source, bool endsAtCtrlZ,
               std::size_t bufferSize = std::size_t{128} * 1024, char tallied = ',');

    // The next line. After an overlong line the rest of it, through its line end, is read
    // and dropped first, so that no piece of it ever comes back as a line of its own.
    // Inline for the common case, a whole line already in the buffer: it runs once for
    // every line of a listing.
    Line next() {
        if (!skipping_) {
            char* const start = buffer_.data() + begin_;
            const std::size_t span = std::min(available(), lineLimit + 1);
            const LineScan scan = scanLine(start, span, tallied_);
            if (const std::size_t at = scan.lineEnd; at != span) {
                if (at > 0 && start[at - 1] == '\r') {
                    start[at - 1] = '\n';  // CR LF counts as one character, the LF
                    return take(at + 1, at, Kind::line, lastAt(scan.separators, at));
                }
                if (at < lineLimit) {
                    return take(at + 1, at + 1, Kind::line, lastAt(scan.separators, at + 1));
                }
            }
        }
        return nextAfterRead();
    }

    // The platform's error code when a read error ended the input, else 0.
    [[nodiscard]] int readError() const { return error_; }

  private:
    // Bytes at the end of the buffer that are never filled: looking for the line end sixteen
    // bytes at a time may look up to fifteen bytes past the last byte read.
    static constexpr std::size_t scanSlack = lineScanSlack;

    [[nodiscard]] std::size_t available() const { return end_ - begin_; }
    Line nextAfterRead();
    void fill();
    void skipRestOfOverlongLine();

    Line take(std::size_t rawLength, std::size_t textLength, Kind kind, ByteCount tally) {
        const Line line{kind, std::string_view(buffer_.data() + begin_, textLength),
                        nextNul_ < begin_ + textLength, tally};
        consume(rawLength);
        return line;
    }

    // A tally of the bytes before the line end, for a line of textLength characters: the
    // line end itself is never the tallied byte, so only "none" moves to the new length.
    static ByteCount lastAt(ByteCount tally, std::size_t textLength) {
        return {tally.count, tally.count == 0 ? textLength : tally.last};
    }

    void consume(std::size_t count) {
        begin_ += count;
        if (nextNul_ < begin_) {
            findNul(begin_);
        }
    }

    [[nodiscard]] ByteCount tallyOf(const char* text, std::size_t length) const;
    void findNul(std::size_t from);

    ByteSource& source_;
    bool endsAtCtrlZ_;
    unsigned char tallied_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last byte read
    // The first NUL byte at or after begin_, or end_ when there is none before it. A NUL is
    // rare, so looking for it once per read costs next to nothing, where looking in every
    // line would cost a scan of every line.
    std::size_t nextNul_ = 0;
    bool exhausted_ = false;  // end of input, Ctrl-Z or an error: never read again
    bool skipping_ = false;   // the rest of an overlong line is still to be dropped
    int error_ = 0;
};

}  // namespace pagevet::platform
