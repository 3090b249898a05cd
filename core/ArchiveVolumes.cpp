#include "ArchiveVolumes.h"

#include <algorithm>
#include <cctype>

#include "FolderEntries.h"
#include "VolumeNames.h"

namespace {

using contract::LowerCase;

}  // namespace

VolumesBeside::VolumesBeside(const std::vector<std::string>& folderNames) {
    for (const std::string& name : folderNames) {
        if ((platform::MatchesWildcard(name, "*.z??*") &&
             !platform::MatchesWildcard(name, "*.zip")) ||
            platform::MatchesWildcard(name, "*.7z.???") || contract::IsLaterRarVolume(name) ||
            contract::IsNumberedPiece(name)) {
            byLowerCase_.emplace(LowerCase(name), name);
            names_.insert(name);
        }
    }
}

std::optional<std::string> VolumesBeside::Spelled(const std::string& wanted) const {
    if (names_.contains(wanted)) {
        return wanted;
    }
    const auto found = byLowerCase_.find(LowerCase(wanted));
    if (found == byLowerCase_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<platform::ArrivedFile> VolumesBeside::Of(const std::string& folder,
                                                     const std::string& archiveName) const {
    std::vector<platform::ArrivedFile> volumes;
    while (const auto name = Spelled(
               contract::OtherVolumeName(archiveName, static_cast<uint32_t>(volumes.size())))) {
        const std::string path = folder + platform::kPathSeparator + *name;
        const auto identity = platform::IdentityOf(path);
        if (!identity) {
            break;
        }
        volumes.push_back({path, *identity});
    }
    return volumes;
}

std::optional<std::vector<platform::ArrivedFile>> ArchiveWithItsVolumes(
    platform::ArrivedFile archive, const std::vector<platform::ArrivedFile>& seenVolumes,
    size_t volumeCount) {
    if (volumeCount == 0 || volumeCount - 1 > seenVolumes.size()) {
        return std::nullopt;
    }
    std::vector<platform::ArrivedFile> files{std::move(archive)};
    files.insert(files.end(), seenVolumes.begin(),
                 seenVolumes.begin() + static_cast<std::ptrdiff_t>(volumeCount - 1));
    return files;
}
