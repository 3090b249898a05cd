// Keeps a reserve free on the disk being written: max(64 MiB, 1% of the disk).
#pragma once

#include <cstdint>

namespace sevenzip32 {

// How many bytes may still be written on the file system of fd before the reserve.
uint64_t RoomLeft(int fd);

// Throws EntryFailure when writing bytes more on the file system of fd would leave
// less than the reserve free.
void RequireRoomFor(int fd, uint64_t bytes);

}  // namespace sevenzip32
