#include "VolumeLookup.h"

#include "FolderNames.h"
#include "VolumeNames.h"

namespace sevenzip32 {

using contract::LowerCase;

std::string FolderOfArchive(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
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
