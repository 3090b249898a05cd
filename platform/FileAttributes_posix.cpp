#include <sys/stat.h>

#include <filesystem>

#include "FileAttributes.h"

namespace platform {

int FileAttributes(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return kInvalidAttributes;
    }
    int attributes = S_ISDIR(status.st_mode) ? kAttributeDirectory : kAttributeArchive;
    if (std::filesystem::path(path).filename().string().starts_with(".")) {
        attributes |= kAttributeHidden;
    }
    if ((status.st_mode & S_IWUSR) == 0) {
        attributes |= kAttributeReadOnly;
    }
    return attributes;
}

}  // namespace platform
