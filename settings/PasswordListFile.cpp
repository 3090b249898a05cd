#include "PasswordListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Each missing folder on the way, for the user alone.
bool MakeFolders(const std::filesystem::path& folder) {
    if (folder.empty() || ::access(folder.c_str(), F_OK) == 0) {
        return true;
    }
    return MakeFolders(folder.parent_path()) &&
           (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

}  // namespace

bool AppendPassword(const std::filesystem::path& list, const std::string& password) {
    if (password.empty() || password.find_first_of("\r\n") != std::string::npos ||
        !MakeFolders(list.parent_path())) {
        return false;
    }
    const int fd =
        ::open(list.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    // A last line the user left without its line end is not joined to the new one.
    struct stat status {};
    char last = '\n';
    if (::fstat(fd, &status) == 0 && status.st_size > 0) {
        const int reader = ::open(list.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (reader >= 0) {
            if (::pread(reader, &last, 1, status.st_size - 1) != 1) {
                last = '\n';
            }
            ::close(reader);
        }
    }
    const bool written = WriteAll(fd, (last == '\n' ? "" : "\n") + password + "\n");
    return ::close(fd) == 0 && written;
}
