#include "FilesAsLeft.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "PathParts.h"

namespace sevenzip32 {

RecordedFile StandingNow(std::string_view path, const FilesPlace& place, FolderCache& folders) {
    try {
        struct stat status {};
        const SharedFd folder = path.empty() ? nullptr : folders.FolderOf(path);
        if (folder &&
            ::fstatat(folder->Get(), std::string(LastPart(path)).c_str(), &status,
                      AT_SYMLINK_NOFOLLOW) == 0 &&
            status.st_dev == place.device) {
            return RecordedFile::From(status, place.vouching);
        }
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace sevenzip32
