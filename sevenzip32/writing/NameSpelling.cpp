#include "NameSpelling.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "FolderNames.h"

namespace sevenzip32 {

bool NameStandsSpelledOtherwise(int folderFd, const std::string& name) {
    struct stat status {};
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    bool listed = false;
    ForEachName(folderFd, [&](const char* listedName) {
        listed = name == listedName;
        return !listed;
    });
    return !listed;
}

}  // namespace sevenzip32
