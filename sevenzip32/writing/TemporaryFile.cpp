#include "TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "EntryFailure.h"
#include "Interrupted.h"
#include "ModeAndTime.h"
#include "StillNamed.h"
#include "TemporaryNames.h"

namespace sevenzip32 {
namespace {

// Flushes a closed file's data to the disk by opening it again.
void SyncClosedFile(int folderFd, const std::string& name) {
    UniqueFd file(::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.IsOpen() || ::fsync(file.Get()) != 0) {
        throw SystemFailure(Reason::kCannotFlushFile);
    }
}

// Gives the anonymous file open at fd the name in folder. By the descriptor itself where
// the process may (it takes CAP_DAC_READ_SEARCH), which spares a walk through /proc;
// once refused, that is not asked again.
int LinkInto(int fd, int folder, const char* name) {
    static std::atomic<bool> byDescriptor{true};
    if (byDescriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0) {
            return 0;
        }
        if (errno != ENOENT && errno != EPERM) {
            return -1;
        }
        byDescriptor.store(false, std::memory_order_relaxed);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), folder, name, AT_SYMLINK_FOLLOW);
}

}  // namespace

TemporaryFile::TemporaryFile(SharedFd folder, Kind kind, mode_t mode) : folder_(std::move(folder)) {
    if (kind == Kind::Named || !CreateAnonymous(mode)) {
        CreateNamed();
    }
}

// An anonymous file is named later through /proc/self/fd: without /proc, or on a file
// system without O_TMPFILE (FUSE drivers, vfat, network file systems), the file is named
// from the start.
bool TemporaryFile::CreateAnonymous(mode_t mode) {
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    if (!procMounted) {
        return false;
    }
    fd_.Reset(::openat(folder_->Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    anonymous_ = fd_.IsOpen();
    // Modes come with the umask already applied, so the umask takes nothing more away.
    mode_ = anonymous_ ? mode : 0600;
    return anonymous_;
}

void TemporaryFile::CreateNamed() {
    for (int attempt = 0; attempt < 8 && !fd_.IsOpen(); ++attempt) {
        temporaryName_ = NewTemporaryName();
        fd_.Reset(::openat(folder_->Get(), temporaryName_.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd_.IsOpen()) {
            if (errno != EEXIST) {
                throw SystemFailure(Reason::kCannotCreateFile);
            }
            continue;
        }
        // The lock says a live writer owns the file, for as long as this object lives:
        // on a duplicate of the descriptor, so that closing the file before it is renamed
        // keeps it. Between creating and locking, another extraction may have taken the
        // file for a dead writer's: it holds the lock a moment, to remove the file, and
        // then the name is no longer ours. No one else ever locks a name this new, so
        // waiting for the lock is waiting for that moment.
        lock_.Reset(::fcntl(fd_.Get(), F_DUPFD_CLOEXEC, 0));
        if (!lock_.IsOpen() ||
            contract::RetryWhileInterrupted([&] { return ::flock(lock_.Get(), LOCK_EX); }) != 0) {
            throw SystemFailure(Reason::kCannotLockFile);
        }
        if (!StillNamed(folder_->Get(), temporaryName_, fd_.Get())) {
            fd_.Reset();
            lock_.Reset();
        }
    }
    if (!fd_.IsOpen()) {
        throw EntryFailure(Reason::kNoFreeTemporaryName);
    }
}

bool TemporaryFile::LinkAnonymous(const std::string& name) {
    if (LinkInto(fd_.Get(), folder_->Get(), name.c_str()) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        throw SystemFailure(Reason::kCannotPutFileInPlace);
    }
    // Locked before it has a name, so that no sweep ever takes it for a dead writer's.
    lock_.Reset(::fcntl(fd_.Get(), F_DUPFD_CLOEXEC, 0));
    if (!lock_.IsOpen() || ::flock(lock_.Get(), LOCK_EX) != 0) {
        throw SystemFailure(Reason::kCannotLockFile);
    }
    for (int attempt = 0;; ++attempt) {
        temporaryName_ = NewTemporaryName();
        if (LinkInto(fd_.Get(), folder_->Get(), temporaryName_.c_str()) == 0) {
            anonymous_ = false;
            return false;
        }
        if (errno != EEXIST || attempt == 7) {
            throw SystemFailure(Reason::kCannotPutFileInPlace);
        }
    }
}

TemporaryFile::~TemporaryFile() {
    if (!published_ && !anonymous_) {
        ::unlinkat(folder_->Get(), temporaryName_.c_str(), 0);
    }
}

void TemporaryFile::Write(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = contract::RetryWhileInterrupted(
            [&] { return ::write(fd_.Get(), bytes.data(), bytes.size()); });
        if (written < 0) {
            throw SystemFailure(Reason::kCannotWriteFile);
        }
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
}

std::optional<struct stat> TemporaryFile::Publish(const std::string& name, mode_t mode,
                                                  int64_t modificationTime) {
    if (!SetModeAndTime(fd_.Get(), mode != mode_ ? std::optional(mode) : std::nullopt,
                        modificationTime)) {
        throw SystemFailure(Reason::kCannotSetModeAndTime);
    }
    if (anonymous_ && LinkAnonymous(name)) {
        // Asked after the link, which changes the file's change time, and before the close,
        // which does not.
        struct stat left {};
        const bool known = ::fstat(fd_.Get(), &left) == 0;
        // A new name needs no flush, as below.
        if (::close(fd_.Release()) != 0) {
            throw SystemFailure(Reason::kCannotFinishWriting);
        }
        published_ = true;
        return known ? std::optional(left) : std::nullopt;
    }
    if (::close(fd_.Release()) != 0) {
        throw SystemFailure(Reason::kCannotFinishWriting);
    }
    // A new name needs no flush; a file that replaces another must be on the disk first,
    // so that a crash cannot leave the old file replaced by an empty one.
    if (::renameat2(folder_->Get(), temporaryName_.c_str(), folder_->Get(), name.c_str(),
                    RENAME_NOREPLACE) != 0) {
        if (errno != EEXIST && errno != EINVAL) {
            throw SystemFailure(Reason::kCannotPutFileInPlace);
        }
        SyncClosedFile(folder_->Get(), temporaryName_);
        if (::renameat(folder_->Get(), temporaryName_.c_str(), folder_->Get(), name.c_str()) != 0) {
            throw SystemFailure(Reason::kCannotPutFileInPlace);
        }
    }
    published_ = true;
    return std::nullopt;
}

}  // namespace sevenzip32
