// One pass over the watch folder: every *.zip there is extracted beside itself and,
// when DeleteSource is "1", removed once it was fully extracted.
#pragma once

#include <cstdint>
#include <string>

// Never throws: a failure ends the pass silently, as the program shows no errors.
void ScanWatchFolder(const std::string& WatchFolder, const std::string& DeleteSource,
                     uint32_t ownerWindow);

// Extracts the archive at path into its own folder; called by ScanWatchFolder.
void ExtractOne(const std::string& path, const std::string& DeleteSource, uint32_t ownerWindow);
