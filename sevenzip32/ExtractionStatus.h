// What the entry point returns: how the extraction of one archive went.
#pragma once

namespace sevenzip32 {

enum ExtractionStatus : int {
    kExtractedAll = 0,
    kSomeEntriesFailed = 1,
    kArchiveRejected = 2,
    kBadCommandLine = 3,
    kInternalError = 4,
};

}  // namespace sevenzip32
