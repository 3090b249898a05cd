// What the extraction library's report says in figures: how many files the archive was
// read from, and what became of its entries. The lines are read as contract/ReportLines.h
// writes them.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "ReportLines.h"

using contract::EntryCounts;
using contract::LinesOf;

// How many files the report says the archive was read from: 1 but for a split archive.
size_t VolumeCountIn(std::string_view report);

// The counts of the report's summary line, or nothing when it has none.
std::optional<EntryCounts> EntryCountsIn(std::string_view report);
