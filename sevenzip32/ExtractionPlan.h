// What will be done with each entry of the archive, decided before anything is written:
// where it goes, what it is, and why it is refused when it is.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CentralDirectory.h"
#include "EntryName.h"

namespace sevenzip32 {

enum class EntryKind { File, Folder, Link };

struct PlannedEntry {
    size_t index = 0;  // in the central directory
    std::string name;  // as decoded, for the report
    EntryPath path;
    EntryKind kind = EntryKind::File;
    mode_t mode = 0644;
    int64_t modificationTime = 0;
    std::string refusal;    // not empty: the entry fails without touching the disk
    bool caseTwin = false;  // a file whose name differs from an earlier one's only in case
};

// umask is applied to the files' modes, as it would be to files the user creates.
std::vector<PlannedEntry> PlanEntries(const CentralDirectory& directory, mode_t umask);

}  // namespace sevenzip32
