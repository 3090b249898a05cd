#include "TemporaryFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>

#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

std::atomic<uint64_t> temporaryCounter{0};

uint64_t RandomNumber() {
    uint64_t number = 0;
    if (::getrandom(&number, sizeof number, 0) != sizeof number) {
        number = static_cast<uint64_t>(::getpid()) << 32;
    }
    return number;
}

// Flushes a closed file's data to the disk by opening it again.
void SyncClosedFile(int folderFd, const std::string& name) {
    UniqueFd file(::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.IsOpen() || ::fsync(file.Get()) != 0) {
        throw SystemFailure("cannot flush the file to the disk");
    }
}

}  // namespace

std::string NewTemporaryName() {
    static const uint64_t processNonce = RandomNumber();
    char name[64];
    std::snprintf(name, sizeof name, ".kesto-%016llx-%llu.tmp",
                  static_cast<unsigned long long>(processNonce),
                  static_cast<unsigned long long>(temporaryCounter.fetch_add(1)));
    return name;
}

TemporaryFile::TemporaryFile(int folderFd) : folderFd_(folderFd) {
    for (int attempt = 0; attempt < 8 && !fd_.IsOpen(); ++attempt) {
        temporaryName_ = NewTemporaryName();
        fd_.Reset(::openat(folderFd_, temporaryName_.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd_.IsOpen() && errno != EEXIST) {
            throw SystemFailure("cannot create a file");
        }
    }
    if (!fd_.IsOpen()) {
        throw EntryFailure("cannot find a free temporary name");
    }
}

TemporaryFile::~TemporaryFile() {
    fd_.Reset();
    if (!published_) {
        ::unlinkat(folderFd_, temporaryName_.c_str(), 0);
    }
}

void TemporaryFile::Write(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_.Get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemFailure("cannot write the file");
        }
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
}

void TemporaryFile::Publish(const std::string& name, mode_t mode, int64_t modificationTime) {
    if (::fchmod(fd_.Get(), mode) != 0) {
        throw SystemFailure("cannot set the file's mode");
    }
    const timespec times[2] = {{modificationTime, 0}, {modificationTime, 0}};
    if (::futimens(fd_.Get(), times) != 0) {
        throw SystemFailure("cannot set the file's time");
    }
    if (::close(fd_.Release()) != 0) {
        throw SystemFailure("cannot finish writing the file");
    }
    // A new name needs no flush; a file that replaces another must be on the disk first,
    // so that a crash cannot leave the old file replaced by an empty one.
    if (::renameat2(folderFd_, temporaryName_.c_str(), folderFd_, name.c_str(), RENAME_NOREPLACE) !=
        0) {
        if (errno != EEXIST && errno != EINVAL) {
            throw SystemFailure("cannot put the file in place");
        }
        SyncClosedFile(folderFd_, temporaryName_);
        if (::renameat(folderFd_, temporaryName_.c_str(), folderFd_, name.c_str()) != 0) {
            throw SystemFailure("cannot put the file in place");
        }
    }
    published_ = true;
}

void PublishLink(int folderFd, const std::string& name, const std::string& target) {
    const std::string temporaryName = NewTemporaryName();
    if (::symlinkat(target.c_str(), folderFd, temporaryName.c_str()) != 0) {
        throw SystemFailure("cannot create the symbolic link");
    }
    if (::renameat(folderFd, temporaryName.c_str(), folderFd, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folderFd, temporaryName.c_str(), 0);
        throw SystemFailure("cannot put the symbolic link in place", error);
    }
}

}  // namespace sevenzip32
