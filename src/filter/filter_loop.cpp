// The filter loop. Every line goes the same way: read, fill the record, decide, then pass
// or report; nothing a line leaves behind can influence the next one.
#include "filter/filter_loop.h"

#include "filter/listing_parser.h"
#include "filter/time_saving.h"
#include "platform/text_reader.h"

namespace pagevet {

LineFilter::LineFilter(const RunSettings& settings, platform::FileSystem& files,
                       platform::TextWriter& output, platform::TextWriter& errors)
    : settings_(settings),
      files_(files),
      output_(output),
      errors_(errors),
      // Live mode without debugging decides by the listed size alone and shows no name.
      fieldsNeeded_(settings.timeSaving == TimeSavingMode::live && !settings.debug
                        ? FieldsNeeded::sizeOnly
                        : FieldsNeeded::all) {}

void LineFilter::handleLine(std::string_view line, platform::ByteCount commas) {
    decide(line, settings_.bare ? parseBareLine(line) : parseListingLine(line, commas));
}

ListingRecord LineFilter::parseListingLine(std::string_view line, platform::ByteCount commas) {
    const ListingRecord record = parseCommaLine(line, commas, settings_.skipFields, fieldsNeeded_);
    if (settings_.debug) {
        reportListedSize(record, errors_);
    }
    return record;
}

void LineFilter::rejectDamagedLine(std::string_view line) {
    reportBadLine(line.substr(0, line.find('\0')), true);
}

void LineFilter::rejectOverlongLine(std::string_view head) {
    reportBadLine(head, true);
}

// The order of the decisions is the heart of the program: the listed size may drop a line
// before anything else; live mode passes what survives without opening anything; a comma
// line that does not name a file is bad; everything else is up to the file itself.
void LineFilter::decide(std::string_view line, const ListingRecord& record) {
    if (preCheckApplies(settings_, record) && !listedSizeIsPlausible(record, line)) {
        if (settings_.debug) {
            reportImplausibleSize(record);
        }
        return;
    }
    if (settings_.timeSaving == TimeSavingMode::live) {
        passLine(line);
        return;
    }
    if (!record.namesFile()) {
        // The line's own line end ends the message.
        reportBadLine(line, false);
        return;
    }
    checkNamedFile(line, record);
}

void LineFilter::reportImplausibleSize(const ListingRecord& record) {
    // The path field alone: the file name has not been joined to it at this point.
    errors_.print("Pre-File Not Multiple of 512: %s\n", {record.path});
}

void LineFilter::checkNamedFile(std::string_view line, const ListingRecord& record) {
    name_.join(record.path, record.fileName);
    const FileCheckResult result = checkFile(settings_, files_, name_.c_str());
    if (result.verdict == FileVerdict::cannotOpen) {
        if (settings_.passInvalid) {
            passLine(line);
        } else {
            errors_.print("Bad File Encountered: %s\n", {name_.view()});
        }
        return;
    }
    if (settings_.debug) {
        errors_.print("Opened: %s\n", {name_.view()});
    }
    switch (result.verdict) {
        case FileVerdict::wrongLength:
            if (settings_.debug) {
                errors_.print("File Not Multiple of 512: %s\n", {name_.view()});
            }
            break;
        case FileVerdict::shortRead:
            errors_.print("Bad File Read: %s\n", {name_.view()});
            break;
        case FileVerdict::wrongSignature:
            if (settings_.debug) {
                errors_.print("Bytes were: %2x, %2x\n", {result.header[0], result.header[1]});
            }
            break;
        case FileVerdict::passes:
            passLine(line);
            break;
        case FileVerdict::cannotOpen:
            break;
    }
}

void LineFilter::passLine(std::string_view line) {
    output_.writeLine(line);
}

void LineFilter::reportBadLine(std::string_view text, bool addLineEnd) {
    errors_.print(addLineEnd ? "Bad line encountered: %s\n" : "Bad line encountered: %s", {text});
}

namespace {

int reportWriteError(const platform::TextWriter& output, platform::TextWriter& errors) {
    errors.print("Error Writing Standard Output: %s\n", {platform::errorText(output.error())});
    return exitIoError;
}

}  // namespace

int runFilter(const RunSettings& settings, const platform::Console& console,
              platform::TextWriter& errors) {
    platform::TextReader input(console.input, console.inputEndsAtCtrlZ);
    platform::TextWriter output(console.output, console.outputIsInteractive
                                                    ? platform::TextWriter::Flush::afterEachWrite
                                                    : platform::TextWriter::Flush::whenFull);
    LineFilter filter(settings, console.files, output, errors);

    for (auto line = input.next(); line.kind != platform::TextReader::Kind::end;
         line = input.next()) {
        if (line.kind == platform::TextReader::Kind::overlong) {
            filter.rejectOverlongLine(line.text);
        } else if (line.holdsNul) {
            filter.rejectDamagedLine(line.text);
        } else {
            filter.handleLine(line.text, line.tally);
        }
        // Output that cannot be written is lost: going on would only hide that.
        if (output.error() != 0) {
            return reportWriteError(output, errors);
        }
    }

    console.input.close();
    int status = exitFinished;
    if (const int readError = input.readError(); readError != 0) {
        errors.print("Error Reading Standard Input: %s\n", {platform::errorText(readError)});
        status = exitIoError;
    }
    // A buffered write error shows only now, when the last block goes out.
    if (!output.close()) {
        status = reportWriteError(output, errors);
    }
    return status;
}

}  // namespace pagevet
