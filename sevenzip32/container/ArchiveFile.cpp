#include "ArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "EntryFailure.h"

namespace sevenzip32 {

// Opened without blocking, so that a FIFO or a device under the name cannot hold the
// extraction waiting for a writer; anything but a regular file is refused at once.
ArchiveFile::ArchiveFile(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    if (!fd_.IsOpen()) {
        throw SystemFailure(Reason::kCannotOpenArchive);
    }
    struct stat status {};
    if (::fstat(fd_.Get(), &status) != 0) {
        throw SystemFailure(Reason::kCannotReadArchiveAttributes);
    }
    if (!S_ISREG(status.st_mode)) {
        throw EntryFailure(Reason::kArchiveNotRegularFile);
    }
    size_ = static_cast<uint64_t>(status.st_size);
}

void ArchiveFile::ReadAt(uint64_t offset, std::span<uint8_t> bytes) const {
    if (offset > size_ || bytes.size() > size_ - offset) {
        throw EntryFailure(Reason::kTruncated);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd_.Get(), bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemFailure(Reason::kCannotReadArchive);
        }
        if (got == 0) {
            throw EntryFailure(Reason::kTruncated);
        }
        done += static_cast<size_t>(got);
    }
}

}  // namespace sevenzip32
