#include "OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "EntryFailure.h"
#include "EntryPath.h"
#include "TemporaryFile.h"

namespace sevenzip32 {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct OpenedFolder {
    UniqueFd fd;
    bool created = false;
};

OpenedFolder OpenOrCreateChild(int parent, const std::string& name) {
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
                throw EntryFailure("the path passes through a symbolic link: " + name);
            }
            throw EntryFailure("the path passes through something not a folder: " + name);
        }
        if (errno != ENOENT) {
            throw SystemFailure("cannot open the folder " + name);
        }
        created = ::mkdirat(parent, name.c_str(), 0755) == 0;
        if (!created && errno != EEXIST) {
            throw SystemFailure("cannot create the folder " + name);
        }
    }
    throw EntryFailure("the folder " + name + " vanished while it was being created");
}

}  // namespace

OutputFolder::OutputFolder(const std::string& path)
    : root_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!root_.IsOpen()) {
        throw SystemFailure("cannot open the output folder");
    }
}

UniqueFd OutputFolder::OpenFolder(std::string_view folderPath) const {
    UniqueFd current(::fcntl(root_.Get(), F_DUPFD_CLOEXEC, 0));
    if (!current.IsOpen()) {
        throw SystemFailure("cannot open the output folder");
    }
    ForEachPart(folderPath, [&](std::string_view part) {
        current = OpenOrCreateChild(current.Get(), std::string(part)).fd;
        return true;
    });
    return current;
}

namespace {

std::pair<uint64_t, uint64_t> IdentityOf(int folderFd) {
    struct stat status {};
    if (::fstat(folderFd, &status) != 0) {
        return {0, 0};
    }
    return {status.st_dev, status.st_ino};
}

}  // namespace

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

int FolderCache::FolderOf(std::string_view entryPath) {
    return Folder(FolderPart(entryPath));
}

void FolderCache::PrepareToWrite() {
    if (!swept_) {
        RemoveStaleTemporaries(Current());
        swept_ = true;
    }
}

int FolderCache::Folder(std::string_view folderPath) {
    std::vector<std::string_view>& folderParts = parts_;
    folderParts.clear();
    ForEachPart(folderPath, [&](std::string_view part) {
        folderParts.push_back(part);
        return true;
    });
    if (folderParts.size() > kDeepestChain) {
        swept_ = false;
        deepFolder_ = output_.OpenFolder(folderPath);
        return deepFolder_.Get();
    }
    size_t shared = 0;
    while (shared < chain_.size() && shared < folderParts.size() &&
           chainParts_[shared] == folderParts[shared]) {
        ++shared;
    }
    if (shared != chain_.size() || shared != folderParts.size() || deepFolder_.IsOpen()) {
        swept_ = false;
        deepFolder_.Reset();
        chain_.resize(shared);
        chainParts_.resize(shared);
        chainIsNew_.resize(shared);
        for (size_t i = shared; i < folderParts.size(); ++i) {
            OpenedFolder opened = OpenOrCreateChild(i == 0 ? output_.Fd() : chain_.back().Get(),
                                                    std::string(folderParts[i]));
            // A folder inside a new one is new too; one another thread made is known by
            // its identity.
            const bool parentIsNew = i > 0 && chainIsNew_.back();
            if (opened.created && !parentIsNew) {
                output_.NoteCreated(opened.fd.Get());
            }
            chainIsNew_.push_back(opened.created || parentIsNew ||
                                  output_.WasCreated(opened.fd.Get()));
            chain_.push_back(std::move(opened.fd));
            chainParts_.emplace_back(folderParts[i]);
        }
    }
    return Current();
}

int FolderCache::Current() const {
    if (deepFolder_.IsOpen()) {
        return deepFolder_.Get();
    }
    return chain_.empty() ? output_.Fd() : chain_.back().Get();
}

}  // namespace sevenzip32
