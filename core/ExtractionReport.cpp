#include "ExtractionReport.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view kVolumesLine = "Volumes: ";
constexpr std::string_view kSummaryLine = "Extracted ";

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

std::vector<std::string_view> LinesOf(std::string_view report) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < report.size();) {
        const size_t end = std::min(report.find('\n', start), report.size());
        lines.push_back(report.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

size_t VolumeCountIn(const std::string& report) {
    for (std::string_view line : LinesOf(report)) {
        if (line.starts_with(kVolumesLine)) {
            line.remove_prefix(kVolumesLine.size());
            uint64_t count = 1;
            return TakeNumber(line, count, "") && line.empty() ? static_cast<size_t>(count) : 1;
        }
    }
    return 1;
}

std::optional<EntryCounts> EntryCountsIn(const std::string& report) {
    for (const std::string_view line : LinesOf(report)) {
        if (line.starts_with(kSummaryLine)) {
            if (auto counts = ParseSummary(line.substr(kSummaryLine.size()))) {
                return counts;
            }
        }
    }
    return std::nullopt;
}
