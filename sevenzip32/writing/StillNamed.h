// Whether a name still stands for a file held open: between a look and an act, another
// process may have put something else under the name.
#pragma once

#include <sys/stat.h>

#include <string>

namespace sevenzip32 {

// True when name in the folder is the very file open as fd.
inline bool StillNamed(int folderFd, const std::string& name, int fd) {
    struct stat named {};
    struct stat open {};
    return ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

}  // namespace sevenzip32
