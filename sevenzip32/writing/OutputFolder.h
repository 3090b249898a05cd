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

#include "UniqueFd.h"

namespace sevenzip32 {

struct OpenedFolder {
    UniqueFd fd;
    bool created = false;  // by this call
};

// Opens the folder name within parent, never through a symbolic link, creating it when
// it is missing.
OpenedFolder OpenOrCreateFolder(int parent, const std::string& name);

// Opens the folder name within parent, never through a symbolic link; not open where
// there is none.
UniqueFd OpenExistingFolder(int parent, const std::string& name);

class OutputFolder {
  public:
    explicit OutputFolder(const std::string& path);

    int Fd() const { return root_->Get(); }
    const SharedFd& Root() const { return root_; }
    // The device of the file system it is on.
    uint64_t Device() const { return device_; }
    // Opens the folder at a normalised path below the output folder, creating what is
    // missing.
    UniqueFd OpenFolder(std::string_view folderPath) const;

    // The folders this extraction created, by any of its threads: they hold nothing but
    // what it writes, so nothing there needs to be looked for or compared.
    void NoteCreated(int folderFd) const;
    bool WasCreated(int folderFd) const;

  private:
    SharedFd root_;
    uint64_t device_ = 0;
    mutable std::mutex createdLock_;
    mutable std::set<std::pair<uint64_t, uint64_t>> created_;
};

}  // namespace sevenzip32
