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

// 7z, by the library's own reader of its header and coders.
ReadArchive ReadSevenZArchive(const ArchiveFile& file, mode_t umask, const NameRules& names,
                              ArchivePasswords& passwords);

// RAR, tar (plain or compressed), LZH and CAB, through libarchive's reader; a RAR set's
// volumes are opened after the first.
ReadArchive ReadLibarchiveArchive(ArchiveFile& file, mode_t umask, const NameRules& names);

// Whether the archive's first bytes are 7z's signature.
bool IsSevenZArchive(const ArchiveFile& file);

}  // namespace sevenzip32
