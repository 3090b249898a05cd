#include "DiskBudget.h"

#include <sys/statvfs.h>

#include <algorithm>

#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kLargestReserve = 64ull * 1024 * 1024;

// How many bytes may still be written on the file system of fd before the reserve.
uint64_t RoomLeft(int fd) {
    struct statvfs disk {};
    if (::fstatvfs(fd, &disk) != 0) {
        throw SystemFailure(Reason::kCannotReadFreeSpace);
    }
    const uint64_t total = static_cast<uint64_t>(disk.f_blocks) * disk.f_frsize;
    const uint64_t available = static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize;
    const uint64_t reserve = std::min(kLargestReserve, total / 100);
    return available > reserve ? available - reserve : 0;
}

}  // namespace

DiskBudget::DiskBudget(int folderFd) : room_(RoomLeft(folderFd)) {}

void DiskBudget::Claim(uint64_t bytes) {
    uint64_t claimed = claimed_.load();
    do {
        if (bytes > room_ || claimed > room_ - bytes) {
            throw NotEnoughSpace(bytes, room_ - std::min(claimed, room_));
        }
    } while (!claimed_.compare_exchange_weak(claimed, claimed + bytes));
    unwritten_ += bytes;
}

void DiskBudget::Release(uint64_t bytes) {
    claimed_ -= bytes;
    unwritten_ -= bytes;
}

void DiskBudget::CheckWhileWriting(int fd) const {
    const uint64_t room = RoomLeft(fd);
    const uint64_t unwritten = unwritten_.load();
    if (room < unwritten) {
        throw NotEnoughSpace(unwritten, room);
    }
}

}  // namespace sevenzip32
