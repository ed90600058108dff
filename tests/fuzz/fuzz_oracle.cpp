// The reference view of a listing and the invariants checked on every fuzzed run.
#include "fuzz_oracle.h"

#include <algorithm>
#include <array>
#include <optional>

#include "fuzz_check.h"

namespace pagevet::fuzz {
namespace {

constexpr std::size_t lineLimit = 509;
constexpr std::string_view crlf = "\r\n";

constexpr std::string_view badLine = "Bad line encountered: ";
constexpr std::string_view badFile = "Bad File Encountered: ";
constexpr std::string_view badRead = "Bad File Read: ";
constexpr std::string_view opened = "Opened: ";
constexpr std::string_view wrongLength = "File Not Multiple of 512: ";
constexpr std::string_view wrongListedSize = "Pre-File Not Multiple of 512: ";
constexpr std::string_view bytesWere = "Bytes were: ";
constexpr std::string_view sizeLine = "Size = <";
constexpr std::string_view readError = "Error Reading Standard Input: Input/output error\r\n";
constexpr std::string_view writeError =
    "Error Writing Standard Output: No space left on device\r\n";

// Messages that end a line's chances: it must then not be written.
constexpr std::array rejections{badLine, badFile, badRead};
// Messages that, with /D, tell why a line was not passed: exactly one per line.
constexpr std::array verdicts{badLine, badFile, badRead, wrongLength, wrongListedSize, bytesWere};
// Messages that name the file the check asked for.
constexpr std::array namingFile{badFile, badRead, opened, wrongLength};
// Every message a line may give.
constexpr std::array lineMessages{badLine,     badFile,         badRead,   opened,
                                  wrongLength, wrongListedSize, bytesWere, sizeLine};

template <std::size_t n>
std::optional<std::string_view> prefixOf(std::string_view message,
                                         const std::array<std::string_view, n>& prefixes) {
    for (const std::string_view prefix : prefixes) {
        if (message.starts_with(prefix)) {
            return prefix;
        }
    }
    return std::nullopt;
}

std::string withCrLf(std::string_view text) {
    std::string out(text);
    if (out.ends_with('\n')) {
        out.insert(out.size() - 1, "\r");
    }
    return out;
}

ReferenceLine referenceLine(std::string_view raw) {
    ReferenceLine line;
    line.raw = raw;
    const bool endsCrLf = raw.ends_with(crlf);
    const std::size_t characters = raw.size() - (endsCrLf ? 1 : 0);
    // The text the program sees: CR LF read as LF.
    std::string text(raw.substr(0, raw.size() - (endsCrLf ? 2 : 0)));
    if (endsCrLf) {
        text += '\n';
    }
    line.passedAs = withCrLf(text);
    line.overlong = characters > lineLimit;
    if (line.overlong) {
        // Shown as a C string: up to a NUL, if the first characters hold one.
        const std::string_view head = raw.substr(0, lineLimit);
        line.reportedAs =
            std::string(badLine) + std::string(head.substr(0, head.find('\0'))) + "\r\n";
        return line;
    }
    const std::size_t nul = text.find('\0');
    line.hasNul = nul != std::string::npos;
    if (line.hasNul) {
        line.reportedAs = std::string(badLine) + text.substr(0, nul) + "\r\n";
    } else {
        line.reportedAs = std::string(badLine) + line.passedAs;
    }
    return line;
}

// The events of one listing line in a line-by-line run, by kind.
struct LineEvents {
    std::vector<std::string_view> written;  // standard output writes, refused ones included
    std::vector<std::string_view> messages;
    std::vector<std::string_view> namesOpened;
};

void checkLine(const ReferenceLine& line, long index, const LineEvents& events,
               const RunSettings& settings, bool runStoppedHere) {
    require(events.written.size() <= 1, "a line was written more than once", line.raw, index);
    for (const std::string_view written : events.written) {
        require(written == line.passedAs,
                "what was written is not the line as read (CR LF line end apart)", written, index);
    }
    require(events.namesOpened.size() <= 1, "more than one file opened for a line", line.raw,
            index);
    if (settings.timeSaving == TimeSavingMode::live) {
        require(events.namesOpened.empty(), "a file was opened in live mode", line.raw, index);
    }
    if (line.overlong || line.hasNul) {
        require(events.written.empty(), "an over-long or NUL line was written", line.raw, index);
        require(events.namesOpened.empty(), "an over-long or NUL line was looked at", line.raw,
                index);
        require(events.messages.size() == 1 && events.messages[0] == line.reportedAs,
                "an over-long or NUL line was not reported exactly once as it should be", line.raw,
                index);
        return;
    }

    int rejected = 0;
    int told = 0;
    for (const std::string_view message : events.messages) {
        require(prefixOf(message, lineMessages).has_value(), "a message of no known kind", message,
                index);
        rejected += prefixOf(message, rejections) ? 1 : 0;
        told += prefixOf(message, verdicts) ? 1 : 0;
        if (message.starts_with(badLine)) {
            require(message == line.reportedAs, "a bad line is not shown as read", message, index);
            require(events.namesOpened.empty(), "a bad line had a file opened", message, index);
        }
        if (const auto prefix = prefixOf(message, namingFile)) {
            require(
                events.namesOpened.size() == 1 &&
                    message == std::string(*prefix) + std::string(events.namesOpened[0]) + "\r\n",
                "a message names another file than the one opened", message, index);
        }
        if (message.starts_with(sizeLine)) {
            require(settings.debug && !settings.bare, "a size line without /D or with /B", message,
                    index);
        }
    }
    require(rejected <= 1, "a line was rejected more than once", line.raw, index);
    require(rejected == 0 || events.written.empty(), "a line was written although rejected",
            line.raw, index);
    const std::size_t outcomes = events.written.size() + static_cast<std::size_t>(told);
    require(outcomes <= 1, "a line met more than one fate", line.raw, index);
    if (settings.debug && !runStoppedHere) {
        require(outcomes == 1, "with /D a line was dropped without a word", line.raw, index);
    }
}

// The index of the first refused write, if any.
std::optional<std::size_t> firstRefusedWrite(const std::vector<Event>& events) {
    const auto found =
        std::find_if(events.begin(), events.end(), [](const Event& e) { return e.failed; });
    if (found == events.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - events.begin());
}

// How a run ended, as far as its events tell.
struct Ending {
    std::size_t lineEvents = 0;                   // the events before this index are lines'
    std::optional<std::size_t> readErrorMessage;  // an event among them that is not
};

// Checks how the run ended, and tells which events belong to listing lines.
Ending checkEnding(const Listing& listing, const Scenario& scenario, const RunResult& run) {
    const std::vector<Event>& events = run.recording.events();
    require(!run.recording.overflowed(), "fuzzer: the recording was reserved too small");
    if (const auto refused = firstRefusedWrite(events)) {
        require(run.status == 2, "a refused write did not end the run with status 2");
        require(events.size() == *refused + 2 && events.back().stream == Stream::error &&
                    run.recording.bytesOf(events.back()) == writeError,
                "after a refused write came anything but its one message");
        return {*refused + 1, std::nullopt};
    }
    require(run.readsAtEnd == (listing.cutAtCtrlZ ? 0 : 1),
            "the input was not read to its end exactly once");
    if (listing.cutAtCtrlZ) {
        require(run.lastChunk.find('\x1a') != std::string_view::npos,
                "the input was read on after a Ctrl-Z");
    }
    if (!scenario.readErrorAtEnd || listing.cutAtCtrlZ) {
        require(run.status == 0, "a run without errors did not end with status 0");
        return {events.size(), std::nullopt};
    }
    // The read error is the last message; only the last block of buffered output may come
    // after it.
    require(run.status == 2, "a read error did not end the run with status 2");
    const auto last = std::find_if(events.rbegin(), events.rend(),
                                   [](const Event& e) { return e.stream == Stream::error; });
    require(last != events.rend() && run.recording.bytesOf(*last) == readError,
            "a read error was not reported last");
    const auto at = static_cast<std::size_t>(events.rend() - last) - 1;
    return {events.size(), at};
}

}  // namespace

Listing readListing(std::string_view data, bool endsAtCtrlZ) {
    Listing listing;
    listing.data = data;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t lf = data.find('\n', at);
        at = lf == std::string_view::npos ? data.size() : lf + 1;
        listing.lineEnds.push_back(at);
    }
    listing.lineEnds.push_back(data.size());  // keeps the source's search in bounds

    std::string_view seen = data;
    if (endsAtCtrlZ) {
        if (const std::size_t stop = data.find('\x1a'); stop != std::string_view::npos) {
            seen = data.substr(0, stop);
            listing.cutAtCtrlZ = true;
        }
    }
    std::size_t start = 0;
    for (const std::size_t end : listing.lineEnds) {
        if (start >= seen.size()) {
            break;
        }
        listing.lines.push_back(
            referenceLine(seen.substr(start, std::min(end, seen.size()) - start)));
        start = end;
    }
    return listing;
}

void checkLineByLineRun(const Listing& listing, const RunSettings& settings,
                        const Scenario& scenario, const RunResult& run) {
    const Ending ending = checkEnding(listing, scenario, run);
    const std::vector<Event>& events = run.recording.events();

    std::vector<LineEvents> byLine(listing.lines.size());
    long stoppedAt = -1;
    for (std::size_t i = 0; i < ending.lineEvents; ++i) {
        if (i == ending.readErrorMessage) {
            continue;
        }
        const Event& event = events[i];
        const std::string_view bytes = run.recording.bytesOf(event);
        require(event.line >= 0 && static_cast<std::size_t>(event.line) < byLine.size(),
                "something was written before a line was read or after the last", bytes);
        LineEvents& line = byLine[static_cast<std::size_t>(event.line)];
        switch (event.stream) {
            case Stream::output:
                line.written.push_back(bytes);
                if (event.failed) {
                    stoppedAt = event.line;
                }
                break;
            case Stream::error:
                line.messages.push_back(bytes);
                break;
            case Stream::open:
                line.namesOpened.push_back(bytes);
                break;
        }
    }
    for (std::size_t i = 0; i < byLine.size(); ++i) {
        const auto index = static_cast<long>(i);
        if (stoppedAt >= 0 && index > stoppedAt) {
            require(byLine[i].written.empty() && byLine[i].messages.empty(),
                    "a line was handled after a write error", listing.lines[i].raw, index);
            continue;
        }
        checkLine(listing.lines[i], index, byLine[i], settings, index == stoppedAt);
    }
}

void checkAnyRun(const Listing& listing, const Scenario& scenario, const RunResult& run) {
    checkEnding(listing, scenario, run);

    // Standard output is the passed lines, whole and in input order: greedily match each
    // written line against the next input line that goes out that way.
    const std::string_view output = run.recording.output();
    std::size_t at = 0;
    std::size_t next = 0;
    while (at < output.size()) {
        while (next < listing.lines.size() &&
               (listing.lines[next].overlong || listing.lines[next].hasNul ||
                output.compare(at, listing.lines[next].passedAs.size(),
                               listing.lines[next].passedAs) != 0)) {
            ++next;
        }
        require(next < listing.lines.size(),
                "standard output holds what is no input line, or lines out of order",
                output.substr(at));
        at += listing.lines[next].passedAs.size();
        ++next;
    }
}

void checkSameOutcome(const RunResult& lineByLine, const RunResult& other) {
    require(other.status == lineByLine.status, "the way reads were cut changed the status");
    require(other.recording.output() == lineByLine.recording.output(),
            "the way reads and writes were cut changed standard output", other.recording.output());
    require(other.recording.error() == lineByLine.recording.error(),
            "the way reads and writes were cut changed the messages", other.recording.error());
}

}  // namespace pagevet::fuzz
