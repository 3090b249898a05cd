#include "ExtractionReport.h"

size_t VolumeCountIn(std::string_view report) {
    for (const std::string_view line : LinesOf(report)) {
        if (const auto count = contract::ReadVolumesLine(line)) {
            return static_cast<size_t>(*count);
        }
    }
    return 1;
}

std::optional<EntryCounts> EntryCountsIn(std::string_view report) {
    for (const std::string_view line : LinesOf(report)) {
        if (auto counts = contract::ReadSummaryLine(line)) {
            return counts;
        }
    }
    return std::nullopt;
}
