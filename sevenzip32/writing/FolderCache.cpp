#include "FolderCache.h"

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
    std::vector<std::string_view>& folderParts = parts_;
    folderParts.clear();
    ForEachPart(folderPath, [&](std::string_view part) {
        folderParts.push_back(part);
        return true;
    });
    if (folderParts.size() > kDeepestChain) {
        swept_ = false;
        deepFolder_ = std::make_shared<const UniqueFd>(output_.OpenFolder(folderPath));
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
            OpenedFolder opened = OpenOrCreateFolder(i == 0 ? output_.Fd() : chain_.back()->Get(),
                                                     std::string(folderParts[i]));
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

const SharedFd& FolderCache::Current() const {
    if (deepFolder_) {
        return deepFolder_;
    }
    return chain_.empty() ? output_.Root() : chain_.back();
}

}  // namespace sevenzip32
