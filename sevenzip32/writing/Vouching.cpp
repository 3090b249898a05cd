#include "Vouching.h"

#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>

#include "FileSystemTypes.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kMillisecond = 1'000'000;
constexpr uint64_t kSecond = 1'000'000'000;

}  // namespace

Vouching VouchingOf(int fd) {
    struct statfs fileSystem {};
    if (::fstatfs(fd, &fileSystem) != 0) {
        return {};
    }
    switch (static_cast<unsigned long>(fileSystem.f_type)) {
        case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case F2FS_SUPER_MAGIC:
            return kWholeIdentity;
        case kExfatMagic:
            return {false, false, 10 * kMillisecond};
        case MSDOS_SUPER_MAGIC:  // vfat: times to two seconds, inodes made up at each mount
            return {false, false, 2 * kSecond};
        case kNtfs3Magic:  // MFT record numbers, times to 100 ns
            return {false, true, kMillisecond};
        case NFS_SUPER_MAGIC:  // file ids from the server; times as fine as it keeps them
            return {false, true, kSecond};
        case kFuseMagic:  // exFAT and NTFS among them: a driver's own inode numbers
        default:          // SMB, 9p and anything not known: times as coarse as FAT's
            return {false, false, 2 * kSecond};
    }
}

// Timestamps come from the kernel's coarse clock, a tick at a time; two ticks before now
// leaves room for a clock read just before the tick turned.
RacyLimit::RacyLimit() {
    timespec now{};
    timespec tick{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
    const long margin = std::max<long>(2 * tick.tv_nsec, 2'000'000);
    limit_ = NanosecondsOf(now) - static_cast<uint64_t>(margin);
}

// Compared as signed, so that a time before 1970 is long before the limit. A time the
// file system keeps coarsely may stand for any moment up to its resolution later.
bool RacyLimit::IsRacy(uint64_t changedNanoseconds, const Vouching& vouching) const {
    const uint64_t resolution = vouching.changeTimes ? 0 : vouching.timeResolution;
    return static_cast<int64_t>(changedNanoseconds) >=
           static_cast<int64_t>(limit_) - static_cast<int64_t>(resolution);
}

}  // namespace sevenzip32
