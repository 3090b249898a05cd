#include "TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "EntryFailure.h"
#include "FolderNames.h"

namespace sevenzip32 {
namespace {

std::atomic<uint64_t> temporaryCounter{0};

constexpr time_t kYoungestStaleSeconds = 10;

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

// True when name in the folder is the very file open as fd.
bool StillNamed(int folderFd, const std::string& name, int fd) {
    struct stat named {};
    struct stat open {};
    return ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Names made by NewTemporaryName: ".kesto-", 16 hexadecimal digits, "-", digits, ".tmp".
bool IsTemporaryName(std::string_view name) {
    constexpr std::string_view kStart = ".kesto-";
    constexpr std::string_view kEnd = ".tmp";
    constexpr size_t kNonceDigits = 16;
    if (name.size() < kStart.size() + kNonceDigits + 2 + kEnd.size() || !name.starts_with(kStart) ||
        !name.ends_with(kEnd)) {
        return false;
    }
    const std::string_view nonce = name.substr(kStart.size(), kNonceDigits);
    const std::string_view counter =
        name.substr(kStart.size() + kNonceDigits + 1,
                    name.size() - kStart.size() - kNonceDigits - 1 - kEnd.size());
    return std::all_of(nonce.begin(), nonce.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) &&
           name[kStart.size() + kNonceDigits] == '-' && !counter.empty() &&
           std::all_of(counter.begin(), counter.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void RemoveStaleTemporaries(int folderFd) {
    ForEachName(folderFd, [&](const char* name) {
        if (!IsTemporaryName(name)) {
            return true;
        }
        // A writer takes its file's lock a moment after creating it: a file written in the
        // last seconds may be one that is not locked yet. Else a link is ours between its
        // creation and its renaming, a moment; a file is a dead writer's when no one holds
        // its lock.
        struct stat status {};
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            ::time(nullptr) - status.st_mtim.tv_sec < kYoungestStaleSeconds) {
            return true;
        }
        UniqueFd file(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.IsOpen() ? ::flock(file.Get(), LOCK_EX | LOCK_NB) == 0 &&
                                StillNamed(folderFd, name, file.Get())
                          : errno == ELOOP) {
            ::unlinkat(folderFd, name, 0);
        }
        return true;
    });
}

std::string NewTemporaryName() {
    static const uint64_t processNonce = RandomNumber();
    char name[64];
    std::snprintf(name, sizeof name, ".kesto-%016llx-%llu.tmp",
                  static_cast<unsigned long long>(processNonce),
                  static_cast<unsigned long long>(temporaryCounter.fetch_add(1)));
    return name;
}

TemporaryFile::TemporaryFile(int folderFd, Kind kind, mode_t mode) : folderFd_(folderFd) {
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
    fd_.Reset(::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    anonymous_ = fd_.IsOpen();
    // Modes come with the umask already applied, so the umask takes nothing more away.
    mode_ = anonymous_ ? mode : 0600;
    return anonymous_;
}

void TemporaryFile::CreateNamed() {
    for (int attempt = 0; attempt < 8 && !fd_.IsOpen(); ++attempt) {
        temporaryName_ = NewTemporaryName();
        fd_.Reset(::openat(folderFd_, temporaryName_.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd_.IsOpen()) {
            if (errno != EEXIST) {
                throw SystemFailure("cannot create a file");
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
        int locked = -1;
        while (lock_.IsOpen() && (locked = ::flock(lock_.Get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0) {
            throw SystemFailure("cannot lock a new file");
        }
        if (!StillNamed(folderFd_, temporaryName_, fd_.Get())) {
            fd_.Reset();
            lock_.Reset();
        }
    }
    if (!fd_.IsOpen()) {
        throw EntryFailure("cannot find a free temporary name");
    }
}

bool TemporaryFile::LinkAnonymous(const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.Get());
    if (::linkat(AT_FDCWD, self.c_str(), folderFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        throw SystemFailure("cannot put the file in place");
    }
    // Locked before it has a name, so that no sweep ever takes it for a dead writer's.
    lock_.Reset(::fcntl(fd_.Get(), F_DUPFD_CLOEXEC, 0));
    if (!lock_.IsOpen() || ::flock(lock_.Get(), LOCK_EX) != 0) {
        throw SystemFailure("cannot lock a new file");
    }
    for (int attempt = 0;; ++attempt) {
        temporaryName_ = NewTemporaryName();
        if (::linkat(AT_FDCWD, self.c_str(), folderFd_, temporaryName_.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            anonymous_ = false;
            return false;
        }
        if (errno != EEXIST || attempt == 7) {
            throw SystemFailure("cannot put the file in place");
        }
    }
}

TemporaryFile::~TemporaryFile() {
    if (!published_ && !anonymous_) {
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
    if (mode != mode_ && ::fchmod(fd_.Get(), mode) != 0) {
        throw SystemFailure("cannot set the file's mode");
    }
    const timespec times[2] = {{modificationTime, 0}, {modificationTime, 0}};
    if (::futimens(fd_.Get(), times) != 0) {
        throw SystemFailure("cannot set the file's time");
    }
    if (anonymous_ && LinkAnonymous(name)) {
        // A new name needs no flush, as below.
        if (::close(fd_.Release()) != 0) {
            throw SystemFailure("cannot finish writing the file");
        }
        published_ = true;
        return;
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
    // Another extraction may remove the link between its creation and its renaming,
    // taking it for a dead writer's: then it is made again.
    for (int attempt = 0;; ++attempt) {
        const std::string temporaryName = NewTemporaryName();
        if (::symlinkat(target.c_str(), folderFd, temporaryName.c_str()) != 0) {
            throw SystemFailure("cannot create the symbolic link");
        }
        if (::renameat(folderFd, temporaryName.c_str(), folderFd, name.c_str()) == 0) {
            return;
        }
        const int error = errno;
        ::unlinkat(folderFd, temporaryName.c_str(), 0);
        if (error != ENOENT || attempt == 2) {
            throw SystemFailure("cannot put the symbolic link in place", error);
        }
    }
}

}  // namespace sevenzip32
