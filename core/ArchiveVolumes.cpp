#include "ArchiveVolumes.h"

#include <algorithm>
#include <cctype>

#include "FolderEntries.h"
#include "VolumeNames.h"

namespace {

constexpr std::string_view kVolumesLine = "Volumes: ";

using contract::LowerCase;

}  // namespace

size_t VolumeCountIn(const std::string& report) {
    for (size_t start = 0; start < report.size();) {
        const size_t end = std::min(report.find('\n', start), report.size());
        const std::string_view line(report.data() + start, end - start);
        if (line.starts_with(kVolumesLine)) {
            const std::string count(line.substr(kVolumesLine.size()));
            if (!count.empty() && std::all_of(count.begin(), count.end(), ::isdigit)) {
                return std::stoul(count);
            }
        }
        start = end + 1;
    }
    return 1;
}

VolumesBeside::VolumesBeside(const std::vector<std::string>& folderNames) {
    for (const std::string& name : folderNames) {
        if (platform::MatchesWildcard(name, "*.z??*") &&
            !platform::MatchesWildcard(name, "*.zip")) {
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
