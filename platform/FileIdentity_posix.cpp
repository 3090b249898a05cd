#include <sys/stat.h>

#include "FileIdentity_posix.h"

namespace platform {

FileIdentity IdentityFrom(const struct stat& status) {
    return FileIdentity{static_cast<uint64_t>(status.st_dev),
                        static_cast<uint64_t>(status.st_ino),
                        static_cast<uint64_t>(status.st_size),
                        status.st_mtim.tv_sec,
                        status.st_mtim.tv_nsec,
                        S_ISREG(status.st_mode)};
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return IdentityFrom(status);
}

}  // namespace platform
