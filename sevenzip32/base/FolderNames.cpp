#include "FolderNames.h"

#include <dirent.h>
#include <fcntl.h>

#include <cstring>

#include "UniqueFd.h"

namespace sevenzip32 {

void ForEachName(int folderFd, const std::function<bool(const char* name)>& visit) {
    // A listing of its own: the folder's descriptor stays the caller's, at its position.
    UniqueFd listing(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* folder = listing.IsOpen() ? ::fdopendir(listing.Get()) : nullptr;
    if (folder == nullptr) {
        return;
    }
    listing.Release();  // the listing owns it now
    while (const dirent* entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        if (!visit(entry->d_name)) {
            break;
        }
    }
    ::closedir(folder);
}

}  // namespace sevenzip32
