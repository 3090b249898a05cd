#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileIdentity.h"

namespace platform {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<uint64_t>(status.st_dev),
                        static_cast<uint64_t>(status.st_ino),
                        static_cast<uint64_t>(status.st_size),
                        status.st_mtim.tv_sec,
                        status.st_mtim.tv_nsec,
                        S_ISREG(status.st_mode)};
}

bool SyncFileSystem(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::syncfs(fd) == 0;
    ::close(fd);
    return synced;
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

}  // namespace platform
