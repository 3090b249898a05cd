// When a file's change time can vouch that no one touched it since we looked. The kernel
// sets a change time at every write, rename, chmod or utimes, and no one can set it back,
// on the file systems it keeps them for itself; FUSE drivers (exFAT, NTFS), vfat and
// network file systems report what their server or driver says, so there it proves
// nothing. And a change in the same clock tick as our look leaves the same change time:
// such a file is looked at again next time (git's "racy" rule).
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>

namespace sevenzip32 {

// A time as nanoseconds since 1970, wrapping, as records keep them.
inline uint64_t NanosecondsOf(const timespec& time) {
    return static_cast<uint64_t>(time.tv_sec) * 1'000'000'000u +
           static_cast<uint64_t>(time.tv_nsec);
}

// True for the file systems whose change times the kernel keeps: ext2/3/4, XFS, Btrfs,
// tmpfs, F2FS.
bool KeepsChangeTimes(int folderFd);

// The moment from which a change time may still be shared with a change not yet made:
// a file changed at or after it can vouch for nothing. Taken after the last write.
class RacyLimit {
  public:
    RacyLimit();
    bool IsRacy(const struct stat& status) const { return IsRacy(NanosecondsOf(status.st_ctim)); }
    bool IsRacy(uint64_t changedNanoseconds) const;

  private:
    uint64_t limit_ = 0;
};

}  // namespace sevenzip32
