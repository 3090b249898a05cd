#include <dirent.h>

#include <cerrno>
#include <memory>
#include <system_error>

#include "FolderEntries.h"

namespace platform {

namespace {
struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};
}  // namespace

std::vector<std::string> MatchingEntries(const std::string& folder, std::string_view pattern) {
    std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(folder.c_str()));
    if (!directory) {
        throw std::system_error(errno, std::generic_category(), "cannot read " + folder);
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory.get())) {
        if (MatchesWildcard(entry->d_name, pattern)) {
            names.emplace_back(entry->d_name);
        }
    }
    if (errno != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot read " + folder);
    }
    return names;
}

}  // namespace platform
