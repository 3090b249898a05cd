// One pass over the watch folder: every *.zip there is extracted beside itself and,
// when DeleteSource is "1", removed once it was fully extracted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "FileIdentity.h"

// Never throws: a failure ends the pass silently, as the program shows no errors.
void ScanWatchFolder(const std::string& WatchFolder, const std::string& DeleteSource,
                     uint32_t ownerWindow);

// An archive whose every entry came out, as it was when its extraction began.
struct ExtractedArchive {
    std::string path;
    platform::FileIdentity identity;
};

// Extracts the archive at path into its own folder; called by ScanWatchFolder. Returns
// the archive when DeleteSource is "1" and it was fully extracted, for the pass to remove
// once what came out of it is on the disk.
std::optional<ExtractedArchive> ExtractOne(const std::string& path, const std::string& DeleteSource,
                                           uint32_t ownerWindow);
