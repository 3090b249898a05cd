#include "ArchiveVolumes.h"

#include <algorithm>
#include <cctype>

#include "FolderEntries.h"

namespace {

constexpr std::string_view kVolumesLine = "Volumes: ";

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The volume for disk (from 0) of the archive named archiveName, in the case of its
// extension, as the format names it: .z01 to .z99, then .z100 on.
std::string VolumeName(const std::string& archiveName, size_t disk) {
    const size_t dot = archiveName.rfind('.');
    const std::string stem = dot == std::string::npos ? archiveName : archiveName.substr(0, dot);
    const bool upperCase = dot != std::string::npos && dot + 1 < archiveName.size() &&
                           std::isupper(static_cast<unsigned char>(archiveName[dot + 1]));
    const std::string number = std::to_string(disk + 1);
    return stem + (upperCase ? ".Z" : ".z") + (number.size() < 2 ? "0" : "") + number;
}

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
    while (const auto name = Spelled(VolumeName(archiveName, volumes.size()))) {
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
