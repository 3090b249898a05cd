#include "ChangeTimes.h"

#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>

namespace sevenzip32 {
bool KeepsChangeTimes(int folderFd) {
    struct statfs fileSystem {};
    if (::fstatfs(folderFd, &fileSystem) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(fileSystem.f_type)) {
        case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case F2FS_SUPER_MAGIC:
            return true;
        default:
            return false;
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

// Compared as signed, so that a time before 1970 is long before the limit.
bool RacyLimit::IsRacy(uint64_t changedNanoseconds) const {
    return static_cast<int64_t>(changedNanoseconds) >= static_cast<int64_t>(limit_);
}

}  // namespace sevenzip32
