// The folder an archive is extracted into. Every folder below it is opened relative to
// its parent's descriptor and never through a symbolic link, so no name in the archive
// and no link already on the disk can lead a write outside.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "UniqueFd.h"

namespace sevenzip32 {

class OutputFolder {
  public:
    explicit OutputFolder(const std::string& path);

    int Fd() const { return root_.Get(); }
    // Opens the folder at a normalised path below the output folder, creating what is
    // missing.
    UniqueFd OpenFolder(std::string_view folderPath) const;

    // The folders this extraction created, by any of its threads: they hold nothing but
    // what it writes, so nothing there needs to be looked for or compared.
    void NoteCreated(int folderFd) const;
    bool WasCreated(int folderFd) const;

  private:
    UniqueFd root_;
    mutable std::mutex createdLock_;
    mutable std::set<std::pair<uint64_t, uint64_t>> created_;
};

// Remembers the folders down to the last one a thread wrote into: entries come grouped
// by folder, and walking down from the top for each file would cost several system
// calls a file.
class FolderCache {
  public:
    explicit FolderCache(const OutputFolder& output) : output_(output) {}
    // The descriptor of the folder that holds the entry at a normalised path; valid until
    // the next call.
    int FolderOf(std::string_view entryPath);
    // The descriptor of the folder at a normalised path, created where missing; valid until
    // the next call.
    int Folder(std::string_view folderPath);
    // Before the first file is written into the last folder: what dead writers left
    // there goes.
    void PrepareToWrite();
    // True when the last folder was created by this extraction.
    bool LastIsNew() const {
        return !deepFolder_.IsOpen() && !chainIsNew_.empty() && chainIsNew_.back();
    }

  private:
    // Deeper folders are opened each time rather than holding a descriptor per level.
    static constexpr size_t kDeepestChain = 32;

    int Current() const;

    const OutputFolder& output_;
    std::vector<std::string_view> parts_;  // of the folder asked for, reused
    std::vector<std::string> chainParts_;
    std::vector<UniqueFd> chain_;  // one per level below the output folder
    std::vector<bool> chainIsNew_;
    UniqueFd deepFolder_;
    bool swept_ = false;  // the last folder was rid of stale temporaries
};

}  // namespace sevenzip32
