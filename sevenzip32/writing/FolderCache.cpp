#include "FolderCache.h"

#include <fcntl.h>

#include "PathParts.h"
#include "StaleTemporaries.h"

namespace sevenzip32 {

SharedFd FolderCache::FolderOf(std::string_view entryPath) {
    return Folder(FolderPart(entryPath));
}

void FolderCache::PrepareToWrite() {
    if (!swept_) {
        RemoveStaleTemporaries(Current()->Get());
        swept_ = true;
    }
}

SharedFd FolderCache::Folder(std::string_view folderPath) {
    if (looking_ && !missing_.empty() && folderPath.starts_with(missing_) &&
        (folderPath.size() == missing_.size() || folderPath[missing_.size()] == '/')) {
        return nullptr;
    }
    std::vector<std::string_view>& folderParts = parts_;
    folderParts.clear();
    ForEachPart(folderPath, [&](std::string_view part) {
        folderParts.push_back(part);
        return true;
    });
    if (folderParts.size() > kDeepestChain) {
        swept_ = false;
        deepFolder_ = looking_ ? DeepFolder(folderPath)
                               : std::make_shared<const UniqueFd>(output_.OpenFolder(folderPath));
        return deepFolder_;
    }
    size_t shared = 0;
    while (shared < chain_.size() && shared < folderParts.size() &&
           chainParts_[shared] == folderParts[shared]) {
        ++shared;
    }
    if (shared != chain_.size() || shared != folderParts.size() || deepFolder_) {
        swept_ = false;
        deepFolder_.reset();
        chain_.resize(shared);
        chainParts_.resize(shared);
        chainIsNew_.resize(shared);
        for (size_t i = shared; i < folderParts.size(); ++i) {
            const int parent = i == 0 ? output_.Fd() : chain_.back()->Get();
            OpenedFolder opened =
                looking_ ? OpenedFolder{OpenExistingFolder(parent, std::string(folderParts[i]))}
                         : OpenOrCreateFolder(parent, std::string(folderParts[i]));
            if (!opened.fd.IsOpen()) {
                const auto end = static_cast<size_t>(folderParts[i].end() - folderPath.begin());
                missing_ = std::string(folderPath.substr(0, end));
                return nullptr;
            }
            // A folder inside a new one is new too; one another thread made is known by
            // its identity.
            const bool parentIsNew = i > 0 && chainIsNew_.back();
            if (opened.created && !parentIsNew) {
                output_.NoteCreated(opened.fd.Get());
            }
            chainIsNew_.push_back(opened.created || parentIsNew ||
                                  output_.WasCreated(opened.fd.Get()));
            chain_.push_back(std::make_shared<const UniqueFd>(std::move(opened.fd)));
            chainParts_.emplace_back(folderParts[i]);
        }
    }
    return Current();
}

// Looking, a folder deeper than the chain goes is walked to each time, creating nothing.
SharedFd FolderCache::DeepFolder(std::string_view folderPath) const {
    UniqueFd current(::fcntl(output_.Fd(), F_DUPFD_CLOEXEC, 0));
    ForEachPart(folderPath, [&](std::string_view part) {
        current =
            current.IsOpen() ? OpenExistingFolder(current.Get(), std::string(part)) : UniqueFd();
        return current.IsOpen();
    });
    return current.IsOpen() ? std::make_shared<const UniqueFd>(std::move(current)) : nullptr;
}

const SharedFd& FolderCache::Current() const {
    if (deepFolder_) {
        return deepFolder_;
    }
    return chain_.empty() ? output_.Root() : chain_.back();
}

}  // namespace sevenzip32
