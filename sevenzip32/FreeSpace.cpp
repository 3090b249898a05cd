#include "FreeSpace.h"

#include <sys/statvfs.h>

#include <algorithm>

#include "EntryFailure.h"

namespace sevenzip32 {

namespace {
constexpr uint64_t kSmallestReserve = 64ull * 1024 * 1024;
}

uint64_t RoomLeft(int fd) {
    struct statvfs disk {};
    if (::fstatvfs(fd, &disk) != 0) {
        throw SystemFailure("cannot read the free space");
    }
    const uint64_t total = static_cast<uint64_t>(disk.f_blocks) * disk.f_frsize;
    const uint64_t available = static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize;
    const uint64_t reserve = std::max(kSmallestReserve, total / 100);
    return available > reserve ? available - reserve : 0;
}

void RequireRoomFor(int fd, uint64_t bytes) {
    if (RoomLeft(fd) < bytes) {
        throw NotEnoughSpace();
    }
}

}  // namespace sevenzip32
