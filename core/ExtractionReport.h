// What the extraction library's report says in figures: a line each, "Volumes: N" for an
// archive read from several files, and "Extracted F files, D folders, L links (P already
// in place); X failed." for what became of the entries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The report's lines, without their line ends.
std::vector<std::string_view> LinesOf(std::string_view report);

// How many files the report says the archive was read from: 1 but for a split archive.
size_t VolumeCountIn(const std::string& report);

struct EntryCounts {
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t links = 0;
    uint64_t inPlace = 0;  // files and links that stood as the archive holds them already
    uint64_t failed = 0;
};

// The counts of the report's summary line, or nothing when it has none.
std::optional<EntryCounts> EntryCountsIn(const std::string& report);
