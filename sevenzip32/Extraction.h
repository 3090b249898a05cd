// Extracts one archive into one folder and reports what happened.
#pragma once

#include "CommandLine.h"
#include "ExtractionStatus.h"
#include "OutputText.h"

namespace sevenzip32 {

// Never throws: every failure ends up in the status and the report.
ExtractionStatus Extract(const ExtractRequest& request, OutputText& report);

}  // namespace sevenzip32
