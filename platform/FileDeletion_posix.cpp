#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "FileDeletion.h"

namespace platform {
namespace {

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

}  // namespace platform
