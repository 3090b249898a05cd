#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "ArrivedFileDeletion.h"
#include "FileDeletion.h"
#include "FileIdentity_posix.h"

namespace platform {

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
