// Extracts the entries of one planned archive into the output folder: folders first, then
// files on several threads, then links; what a previous record vouches for is not
// touched, and what was left is recorded for the next pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Extraction.h"
#include "ExtractionRecord.h"
#include "OutputFolder.h"
#include "ReadArchive.h"

namespace sevenzip32 {

// Adds the report's lines to lines. previous, when there is one, vouches for the files it
// recorded, and gives them up once it has; record, when given, is told what each entry left.
ExtractionStatus ExtractPlannedArchive(ReadArchive& archive, const OutputFolder& output,
                                       ExtractionRecord* previous, std::vector<std::string>& lines,
                                       ExtractionRecord* record);

// The report's first line after the archive's name.
std::string SummaryLine(const KindCounts& succeeded, uint64_t inPlace, uint64_t failed);

}  // namespace sevenzip32
