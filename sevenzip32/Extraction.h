// Extracts one archive into one folder and reports what happened: the status the entry
// point returns, and the report's lines.
#pragma once

#include "CommandLine.h"
#include "OutputText.h"

namespace sevenzip32 {

enum ExtractionStatus : int {
    kExtractedAll = 0,
    kSomeEntriesFailed = 1,
    kArchiveRejected = 2,
    kBadCommandLine = 3,
    kInternalError = 4,
};

// Never throws: every failure ends up in the status and the report.
ExtractionStatus Extract(const ExtractRequest& request, OutputText& report);

}  // namespace sevenzip32
