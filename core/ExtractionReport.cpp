#include "ExtractionReport.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view kVolumesLine = "Volumes: ";
constexpr std::string_view kSummaryLine = "Extracted ";

// Calls visit with each line of the report until it returns true.
template <typename Visit>
void FindLine(std::string_view report, Visit visit) {
    for (size_t start = 0; start < report.size();) {
        const size_t end = std::min(report.find('\n', start), report.size());
        if (visit(report.substr(start, end - start))) {
            return;
        }
        start = end + 1;
    }
}

// Reads a number followed by after from the front of text.
bool TakeNumber(std::string_view& text, uint64_t& number, std::string_view after) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    if (!text.starts_with(after)) {
        return false;
    }
    text.remove_prefix(after.size());
    return true;
}

std::optional<EntryCounts> ParseSummary(std::string_view line) {
    EntryCounts counts;
    if (!TakeNumber(line, counts.files, " files, ") ||
        !TakeNumber(line, counts.folders, " folders, ") ||
        !TakeNumber(line, counts.links, " links")) {
        return std::nullopt;
    }
    if (line.starts_with(" (")) {
        line.remove_prefix(2);
        if (!TakeNumber(line, counts.inPlace, " already in place)")) {
            return std::nullopt;
        }
    }
    if (!line.starts_with("; ")) {
        return std::nullopt;
    }
    line.remove_prefix(2);
    if (!TakeNumber(line, counts.failed, " failed.") || !line.empty()) {
        return std::nullopt;
    }
    return counts;
}

}  // namespace

size_t VolumeCountIn(const std::string& report) {
    uint64_t count = 1;
    FindLine(report, [&](std::string_view line) {
        if (!line.starts_with(kVolumesLine)) {
            return false;
        }
        line.remove_prefix(kVolumesLine.size());
        uint64_t number = 0;
        if (TakeNumber(line, number, "") && line.empty()) {
            count = number;
        }
        return true;
    });
    return static_cast<size_t>(count);
}

std::optional<EntryCounts> EntryCountsIn(const std::string& report) {
    std::optional<EntryCounts> counts;
    FindLine(report, [&](std::string_view line) {
        if (!line.starts_with(kSummaryLine)) {
            return false;
        }
        counts = ParseSummary(line.substr(kSummaryLine.size()));
        return counts.has_value();
    });
    return counts;
}
