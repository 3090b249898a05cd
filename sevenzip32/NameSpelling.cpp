#include "NameSpelling.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "UniqueFd.h"

namespace sevenzip32 {

bool NameStandsSpelledOtherwise(int folderFd, const std::string& name) {
    struct stat status {};
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    UniqueFd listing(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* folder = listing.IsOpen() ? ::fdopendir(listing.Get()) : nullptr;
    if (folder == nullptr) {
        return false;
    }
    listing.Release();  // the listing owns it now
    bool listed = false;
    while (const dirent* entry = ::readdir(folder)) {
        if (name == entry->d_name) {
            listed = true;
            break;
        }
    }
    ::closedir(folder);
    return !listed;
}

}  // namespace sevenzip32
