#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "FileIdentity.h"

namespace platform {

namespace {

FileIdentity IdentityFrom(const struct stat& status) {
    return FileIdentity{static_cast<uint64_t>(status.st_dev),
                        static_cast<uint64_t>(status.st_ino),
                        static_cast<uint64_t>(status.st_size),
                        status.st_mtim.tv_sec,
                        status.st_mtim.tv_nsec,
                        S_ISREG(status.st_mode)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return IdentityFrom(status);
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

bool DeleteUnlessBeingWritten(const std::string& path, const FileIdentity& expected) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const auto deleteIfStillExpected = [&] {
        return IdentityOf(path) == expected && DeleteFile(path);
    };
    bool deleted = false;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && IdentityFrom(status) == expected) {
        // The kernel grants a read lease only while no one has the file open for writing,
        // and while it is held, no one can open it so without waiting for us to let go.
        if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
            deleted = deleteIfStillExpected();
            ::fcntl(fd, F_SETLEASE, F_UNLCK);
        } else if (errno != EAGAIN && errno != EBUSY) {
            // No leases here (a file system or an owner that refuses them): only a file
            // no one has touched for a while is taken for complete.
            const bool quiet =
                ::time(nullptr) - status.st_mtim.tv_sec >= kQuietSecondsWithoutLeases &&
                ::time(nullptr) - status.st_ctim.tv_sec >= kQuietSecondsWithoutLeases;
            deleted = quiet && deleteIfStillExpected();
        }
    }
    ::close(fd);
    return deleted;
}

}  // namespace platform
