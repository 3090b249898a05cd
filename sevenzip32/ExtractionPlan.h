// What will be done with each entry of the archive, decided before anything is written:
// where it goes, what it is, and why it is refused when it is. Kept small, since an
// archive may hold millions of entries: a few bytes an entry and its path in one buffer.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CentralDirectory.h"
#include "NameRules.h"
#include "PathList.h"

namespace sevenzip32 {

enum class EntryKind : uint8_t { File, Folder, Link };

struct PlannedEntry {
    int64_t modificationTime = 0;
    uint16_t mode = 0644;
    EntryKind kind = EntryKind::File;
    bool refused = false;   // the entry fails without touching the disk
    bool caseTwin = false;  // a file whose name differs from an earlier one's only in case
    bool renamed = false;   // its path is written otherwise than named, as the disk takes it
};

struct ExtractionPlan {
    std::vector<PlannedEntry> entries;  // by central directory index
    // Each entry's path below the output folder, by the same index; empty where the name
    // itself was refused, and for a folder naming the output folder.
    PathList paths;
    // Why the refused entries are refused, by rising index.
    std::vector<std::pair<size_t, std::string>> refusals;
    // The decoded names that read otherwise than their paths, by rising index.
    std::vector<std::pair<size_t, std::string>> otherNames;

    size_t IndexOf(const PlannedEntry& entry) const { return &entry - entries.data(); }
    // The entry's name as decoded, for the report.
    std::string Name(size_t index) const;
};

struct PlannedArchive {
    CentralDirectory directory;
    ExtractionPlan plan;
};

// Reads the archive's central directory and plans each entry while its header is at
// hand. umask is applied to the files' modes, as it would be to files the user creates;
// names are written as the output folder's file system takes them.
PlannedArchive ReadAndPlan(ArchiveFile& file, mode_t umask, const NameRules& names);

}  // namespace sevenzip32
