// A file written apart in its own target folder and given its name only once it is
// complete, so a failed entry never leaves a half-written file behind and never replaces
// a good one. Where the file system allows, the file has no name at all until then
// (O_TMPFILE): nothing to lock, and nothing left behind by a process that is killed.
// Elsewhere, and when it replaces a file, it has a temporary name of ours, locked while
// its writer lives.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "UniqueFd.h"

namespace sevenzip32 {

class TemporaryFile {
  public:
    enum class Kind { AnonymousWherePossible, Named };

    // An anonymous file is made with mode at once, as no one can open it by a name;
    // a named one stays the writer's alone until it is published.
    // The file is made in folder, which it keeps open for as long as it lives.
    explicit TemporaryFile(SharedFd folder, Kind kind = Kind::AnonymousWherePossible,
                           mode_t mode = 0600);
    ~TemporaryFile();  // removes the file unless it was published
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return fd_.Get(); }
    void Write(std::span<const uint8_t> bytes);
    // Gives the file its mode and modification time and renames it to name; when that
    // replaces an existing file, the data reaches the disk before the rename. Returns the
    // file as it then stands where that takes no look by name: where it took its name at
    // once.
    std::optional<struct stat> Publish(const std::string& name, mode_t mode,
                                       int64_t modificationTime);

  private:
    bool CreateAnonymous(mode_t mode);
    void CreateNamed();
    // Gives an anonymous file a name: name itself when nothing stands there, else a
    // temporary name, locked; true in the first case.
    bool LinkAnonymous(const std::string& name);

    const SharedFd folder_;
    bool anonymous_ = false;
    mode_t mode_ = 0600;  // the mode the file has now
    std::string temporaryName_;
    UniqueFd fd_;
    UniqueFd lock_;  // the same file, locked while this writer lives
    bool published_ = false;
};

}  // namespace sevenzip32
