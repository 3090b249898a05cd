#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <filesystem>

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

// Where the file system cannot refuse to replace (FUSE drivers), a look first.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    struct stat standing {};
    return errno == EINVAL && ::lstat(to.c_str(), &standing) != 0 && errno == ENOENT &&
           ::rename(from.c_str(), to.c_str()) == 0;
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

bool DeleteIfStillExpected(const std::string& path, const FileIdentity& expected) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path named(path);
    const std::string aside =
        (named.parent_path() /
         (".kesto-deleting-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
            .string();
    if (!RenameWithoutReplacing(path, aside)) {
        return false;
    }
    if (IdentityOf(aside) == expected) {
        return DeleteFile(aside);
    }
    RenameWithoutReplacing(aside, path);
    return false;
}

bool DeleteUnlessBeingWritten(const std::string& path, const FileIdentity& expected) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const auto deleteIfStillExpected = [&] { return DeleteIfStillExpected(path, expected); };
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
