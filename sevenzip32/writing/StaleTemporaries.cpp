#include "StaleTemporaries.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "FolderNames.h"
#include "StillNamed.h"
#include "TemporaryNames.h"
#include "UniqueFd.h"

namespace sevenzip32 {
namespace {

constexpr time_t kYoungestStaleSeconds = 10;

}  // namespace

void RemoveStaleTemporaries(int folderFd) {
    ForEachName(folderFd, [&](const char* name) {
        if (!IsTemporaryName(name)) {
            return true;
        }
        // A writer takes its file's lock a moment after creating it: a file written in the
        // last seconds may be one that is not locked yet. Else a link is ours between its
        // creation and its renaming, a moment; a file is a dead writer's when no one holds
        // its lock.
        struct stat status {};
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            ::time(nullptr) - status.st_mtim.tv_sec < kYoungestStaleSeconds) {
            return true;
        }
        UniqueFd file(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.IsOpen() ? ::flock(file.Get(), LOCK_EX | LOCK_NB) == 0 &&
                                StillNamed(folderFd, name, file.Get())
                          : errno == ELOOP) {
            ::unlinkat(folderFd, name, 0);
        }
        return true;
    });
}

}  // namespace sevenzip32
