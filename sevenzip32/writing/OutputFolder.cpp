#include "OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "EntryFailure.h"
#include "PathParts.h"

namespace sevenzip32 {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::pair<uint64_t, uint64_t> IdentityOf(int folderFd) {
    struct stat status {};
    if (::fstat(folderFd, &status) != 0) {
        return {0, 0};
    }
    return {status.st_dev, status.st_ino};
}

}  // namespace

UniqueFd OpenExistingFolder(int parent, const std::string& name) {
    return UniqueFd(::openat(parent, name.c_str(), kFolderFlags));
}

OpenedFolder OpenOrCreateFolder(int parent, const std::string& name) {
    bool created = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd child(::openat(parent, name.c_str(), kFolderFlags));
        if (child.IsOpen()) {
            return {std::move(child), created};
        }
        if (errno == ELOOP || errno == ENOTDIR) {
            struct stat status {};
            if (::fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(status.st_mode)) {
                throw EntryFailure(Reason::kPathThroughLink, name);
            }
            throw EntryFailure(Reason::kPathThroughNonFolder, name);
        }
        if (errno != ENOENT) {
            throw SystemFailure(Reason::kCannotOpenFolder, name);
        }
        created = ::mkdirat(parent, name.c_str(), 0755) == 0;
        if (!created && errno != EEXIST) {
            throw SystemFailure(Reason::kCannotCreateFolder, name);
        }
    }
    throw EntryFailure(Reason::kFolderVanished, name);
}

OutputFolder::OutputFolder(const std::string& path)
    : root_(std::make_shared<const UniqueFd>(
          ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))) {
    if (!root_->IsOpen()) {
        throw SystemFailure(Reason::kCannotOpenOutputFolder);
    }
    device_ = IdentityOf(root_->Get()).first;
}

UniqueFd OutputFolder::OpenFolder(std::string_view folderPath) const {
    UniqueFd current(::fcntl(root_->Get(), F_DUPFD_CLOEXEC, 0));
    if (!current.IsOpen()) {
        throw SystemFailure(Reason::kCannotOpenOutputFolder);
    }
    ForEachPart(folderPath, [&](std::string_view part) {
        current = OpenOrCreateFolder(current.Get(), std::string(part)).fd;
        return true;
    });
    return current;
}

void OutputFolder::NoteCreated(int folderFd) const {
    const auto identity = IdentityOf(folderFd);
    const std::lock_guard lock(createdLock_);
    created_.insert(identity);
}

bool OutputFolder::WasCreated(int folderFd) const {
    {
        const std::lock_guard lock(createdLock_);
        if (created_.empty()) {
            return false;
        }
    }
    const auto identity = IdentityOf(folderFd);
    const std::lock_guard lock(createdLock_);
    return created_.contains(identity);
}

}  // namespace sevenzip32
