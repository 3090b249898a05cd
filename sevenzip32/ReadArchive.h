// An archive read: each entry planned from the facts its format's reader gives, and the
// source its bytes come from. The format is the one the archive's signature names.
#pragma once

#include <sys/types.h>

#include <memory>

#include "ArchiveFile.h"
#include "ArchivePasswords.h"
#include "EntrySource.h"
#include "ExtractionPlan.h"
#include "NameRules.h"

namespace sevenzip32 {

struct ReadArchive {
    ExtractionPlan plan;
    std::unique_ptr<EntrySource> source;
};

// ZIP, by the library's own container.
ReadArchive ReadZipArchive(ArchiveFile& file, mode_t umask, const NameRules& names,
                           ArchivePasswords& passwords);

}  // namespace sevenzip32
