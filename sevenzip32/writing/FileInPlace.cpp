#include "FileInPlace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "Crc32.h"
#include "Interrupted.h"
#include "ModeAndTime.h"
#include "UniqueFd.h"

namespace sevenzip32 {
namespace {

// Non-blocking, so that a FIFO standing under the name cannot hold the extraction;
// without touching the access time where the file is ours, since reading it is no use.
UniqueFd OpenForComparing(int folderFd, const std::string& name) {
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    UniqueFd file(::openat(folderFd, name.c_str(), kFlags | O_NOATIME));
    if (!file.IsOpen() && errno == EPERM) {
        file.Reset(::openat(folderFd, name.c_str(), kFlags));
    }
    return file;
}

// Reads to the end of the file, so a file that grew since it was measured fails too. A
// short read is the end, which spares small files a second read.
bool HasContent(int fd, uint64_t size, uint32_t crc, std::span<uint8_t> buffer) {
    uint64_t seen = 0;
    uint32_t seenCrc = 0;
    for (;;) {
        const size_t wanted =
            static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - seen + 1));
        const ssize_t got =
            contract::RetryWhileInterrupted([&] { return ::read(fd, buffer.data(), wanted); });
        if (got < 0) {
            return false;
        }
        seen += static_cast<uint64_t>(got);
        if (seen > size) {
            return false;
        }
        seenCrc = UpdateCrc32(seenCrc, {buffer.data(), static_cast<size_t>(got)});
        if (static_cast<size_t>(got) < wanted) {
            return seen == size && seenCrc == crc;
        }
    }
}

}  // namespace

bool KeepIfAlreadyInPlace(int folderFd, const std::string& name, const ExpectedFile& expected,
                          std::span<uint8_t> buffer) {
    const UniqueFd file = OpenForComparing(folderFd, name);
    struct stat status {};
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != expected.owner || static_cast<uint64_t>(status.st_size) != expected.size ||
        !HasContent(file.Get(), expected.size, expected.crc, buffer)) {
        return false;
    }
    const bool modeDiffers = (status.st_mode & 07777) != expected.mode;
    const bool timeDiffers =
        status.st_mtim.tv_sec != expected.modificationTime || status.st_mtim.tv_nsec != 0;
    if (!modeDiffers && !timeDiffers) {
        return true;
    }
    // A change made here would show under the file's other names too; a rewrite would not.
    if (status.st_nlink != 1) {
        return false;
    }
    return SetModeAndTime(file.Get(), modeDiffers ? std::optional(expected.mode) : std::nullopt,
                          expected.modificationTime);
}

bool IsLinkInPlace(int folderFd, const std::string& name, const std::string& target) {
    std::vector<char> standing(target.size() + 1);
    const ssize_t length = ::readlinkat(folderFd, name.c_str(), standing.data(), standing.size());
    return length >= 0 && static_cast<size_t>(length) == target.size() &&
           std::string_view(standing.data(), target.size()) == target;
}

}  // namespace sevenzip32
