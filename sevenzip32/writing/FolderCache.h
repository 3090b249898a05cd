// Folders below the output folder, as the threads of an extraction walk them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "OutputFolder.h"
#include "UniqueFd.h"

namespace sevenzip32 {

// Remembers the folders down to the last one a thread wrote into or looked in: entries
// come grouped by folder, and walking down from the top for each file would cost several
// system calls a file.
class FolderCache {
  public:
    // Writing creates the folders that are missing; looking never does, and remembers
    // the last folder found missing, so that the entries below it cost nothing.
    enum Use { kWriting, kLooking };

    explicit FolderCache(const OutputFolder& output, Use use = kWriting)
        : output_(output), looking_(use == kLooking) {}
    // The folder that holds the entry at a normalised path; nothing, when looking, where
    // it is missing or not a folder.
    SharedFd FolderOf(std::string_view entryPath);
    // The folder at a normalised path, created where missing when writing.
    SharedFd Folder(std::string_view folderPath);
    // Before the first file is written into the last folder: what dead writers left
    // there goes.
    void PrepareToWrite();
    // True when the last folder was created by this extraction.
    bool LastIsNew() const { return !deepFolder_ && !chainIsNew_.empty() && chainIsNew_.back(); }

  private:
    // Deeper folders are opened each time rather than holding a descriptor per level.
    static constexpr size_t kDeepestChain = 32;

    const SharedFd& Current() const;
    SharedFd DeepFolder(std::string_view folderPath) const;

    const OutputFolder& output_;
    const bool looking_;
    std::string missing_;  // when looking: a folder found missing, with everything below
    std::vector<std::string_view> parts_;  // of the folder asked for, reused
    std::vector<std::string> chainParts_;
    std::vector<SharedFd> chain_;  // one per level below the output folder
    std::vector<bool> chainIsNew_;
    SharedFd deepFolder_;
    bool swept_ = false;  // the last folder was rid of stale temporaries
};

}  // namespace sevenzip32
