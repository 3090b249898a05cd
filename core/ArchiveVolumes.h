// The volumes of a split archive as the scan sees them: beside name.zip, name.z01,
// name.z02, ..., and after name.zip.001 (or name.7z.001), name.zip.002, ..., in whatever
// case the folder holds them. The extraction library says how
// many files it read an archive from; the scan takes the volumes' identities before the
// archive is read, so that what it deletes afterwards is what was read.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ArrivedFileDeletion.h"

class VolumesBeside {
  public:
    // folderNames: the names the scan's folder lists.
    explicit VolumesBeside(const std::vector<std::string>& folderNames);

    // The files there that would be the other volumes of archiveName, in the order the
    // extraction reads them, up to the first that is not there, with their identities as
    // they are now.
    std::vector<platform::ArrivedFile> Of(const std::string& folder,
                                          const std::string& archiveName) const;

  private:
    std::optional<std::string> Spelled(const std::string& wanted) const;

    std::map<std::string, std::string> byLowerCase_;  // the names that may be volumes
    std::set<std::string> names_;                     // the same, as they are spelled
};

// The archive, then its other volumes, as the extraction read them; nothing when a volume
// it read is not among those seen before it was read.
std::optional<std::vector<platform::ArrivedFile>> ArchiveWithItsVolumes(
    platform::ArrivedFile archive, const std::vector<platform::ArrivedFile>& seenVolumes,
    size_t volumeCount);
