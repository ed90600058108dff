// Listed-size pre-check.
#include "filter/time_saving.h"

#include "platform/c_locale.h"

namespace pagevet {

bool preCheckApplies(const RunSettings& settings, const ListingRecord& record) {
    constexpr unsigned commaLineNamingFile =
        ListingRecord::pathFound | ListingRecord::fileNameFound | ListingRecord::sizeTaken;
    return settings.timeSaving != TimeSavingMode::off && record.found == commaLineNamingFile;
}

bool listedSizeIsPlausible(const ListingRecord& record) {
    const std::int32_t size = platform::toInt32(record.sizeText);
    return size != 0 && isMultipleOf512(size);
}

}  // namespace pagevet
