// One pass over the watch folder: every *.zip there (and every *.zip.001, the first of
// numbered volumes) is extracted beside itself and, when DeleteSource is "1", removed
// once it was fully extracted, with every volume it was read from.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ArrivedFileDeletion.h"
#include "FileIdentity.h"
#include "FolderEntries.h"

// What became of one archive of the pass, as it was when its extraction began.
struct ArchiveOutcome {
    std::string path;
    std::optional<platform::FileIdentity> identity;
    // The files beside it that are its other volumes, as they were before it was read.
    std::vector<platform::ArrivedFile> volumes;
    bool extracted = false;  // every entry came out
    std::string report;      // the extraction library's words

    // The archive's name in its folder.
    std::string Name() const { return path.substr(path.rfind(platform::kPathSeparator) + 1); }
};

struct PassOutcome {
    std::chrono::system_clock::time_point began;
    std::vector<ArchiveOutcome> archives;  // in the order they were extracted
};

// Never throws: a failure ends the pass quietly. Returns what became of each archive it
// met, for the window to tell the user.
PassOutcome ScanWatchFolder(const std::string& WatchFolder, const std::string& DeleteSource,
                            uint32_t ownerWindow);

// Extracts the archive at path into its own folder; called by ScanWatchFolder. Nothing
// for a name that is not an archive's (a folder, "." or "..").
std::optional<ArchiveOutcome> ExtractOne(const std::string& path, uint32_t ownerWindow);
