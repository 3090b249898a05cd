#include "VolumeNames.h"

#include <algorithm>
#include <cctype>

#include "FolderNames.h"

namespace sevenzip32 {
namespace {

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string FolderOfArchive(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

std::string VolumeName(const std::string& archiveName, uint32_t disk) {
    const size_t dot = archiveName.rfind('.');
    const std::string stem = dot == std::string::npos ? archiveName : archiveName.substr(0, dot);
    const bool upperCase = dot != std::string::npos && dot + 1 < archiveName.size() &&
                           std::isupper(static_cast<unsigned char>(archiveName[dot + 1]));
    const std::string number = std::to_string(disk + 1);
    return stem + (upperCase ? ".Z" : ".z") + (number.size() < 2 ? "0" : "") + number;
}

std::optional<std::string> VolumeLookup::InAnyCase(const std::string& wanted) {
    if (!byLowerCase_) {
        byLowerCase_.emplace();
        ForEachName(folderFd_, [&](const char* name) {
            byLowerCase_->emplace(LowerCase(name), name);
            return true;
        });
    }
    const auto found = byLowerCase_->find(LowerCase(wanted));
    if (found == byLowerCase_->end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace sevenzip32
