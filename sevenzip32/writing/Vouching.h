// How a file recorded after an extraction vouches that no one touched it since, without
// being read. Where the kernel keeps change times for itself (ext2/3/4, XFS, Btrfs,
// tmpfs, F2FS), the change time does: it moves at every write, rename, chmod or utimes,
// and no one can set it back. Elsewhere (exFAT, FAT, NTFS, FUSE, network file systems) a
// driver or a server says what it likes, and the rule that rsync and git use instead
// holds: a file whose size, modification time, type and mode are as recorded is in place.
// What that rule cannot see, an edit that puts size and time back, a read once a day
// catches. A change in the same clock tick as our look, or within the time's resolution,
// leaves the same times: such a file is looked at again next time (git's "racy" rule).
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

struct Vouching {
    bool changeTimes = false;   // the change time vouches, and the inode with it
    bool stableInodes = false;  // an inode number stays its file's, even across mounts
    uint64_t timeResolution = 2'000'000'000;  // of modification times, in nanoseconds

    bool operator==(const Vouching&) const = default;
};

// Every field counts, for a file only ever compared with itself on one file system.
inline constexpr Vouching kWholeIdentity{true, true, 1};

// The rule of the file system the folder (or file) open at fd is on.
Vouching VouchingOf(int fd);

// The moment from which a time may still be shared with a change not yet made: a file
// changed at or after it can vouch for nothing. Taken after the last write.
class RacyLimit {
  public:
    RacyLimit();
    // changed: the file's change time where it vouches, else its modification time.
    bool IsRacy(uint64_t changedNanoseconds, const Vouching& vouching) const;

  private:
    uint64_t limit_ = 0;
};

}  // namespace sevenzip32
