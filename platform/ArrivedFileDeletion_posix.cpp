#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

#include "ArrivedFileDeletion.h"
#include "FileDeletion.h"
#include "FileIdentity_posix.h"

namespace platform {

namespace {

// A file opened to be deleted, with the read lease the kernel grants only while no one
// has it open for writing; while it is held, no one can open it so without waiting for us
// to let go.
class LeasedFile {
  public:
    explicit LeasedFile(const ArrivedFile& file)
        : fd_(::open(file.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        struct stat status {};
        if (fd_ < 0 || ::fstat(fd_, &status) != 0 || IdentityFrom(status) != file.identity) {
            return;
        }
        expected_ = true;
        leased_ = ::fcntl(fd_, F_SETLEASE, F_RDLCK) == 0;
        // No leases here (a file system or an owner that refuses them): only a file no
        // one has touched for a while is taken for complete.
        leasesRefused_ = !leased_ && errno != EAGAIN && errno != EBUSY;
        quiet_ = ::time(nullptr) - status.st_mtim.tv_sec >= kQuietSecondsWithoutLeases &&
                 ::time(nullptr) - status.st_ctim.tv_sec >= kQuietSecondsWithoutLeases;
    }
    LeasedFile(LeasedFile&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)),
          expected_(other.expected_),
          leased_(other.leased_),
          leasesRefused_(other.leasesRefused_),
          quiet_(other.quiet_) {}
    LeasedFile(const LeasedFile&) = delete;
    LeasedFile& operator=(const LeasedFile&) = delete;
    ~LeasedFile() {
        if (leased_) {
            ::fcntl(fd_, F_SETLEASE, F_UNLCK);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    // The expected file, and no one is writing it as far as can be told.
    bool Arrived() const { return expected_ && (leased_ || (leasesRefused_ && quiet_)); }

  private:
    int fd_;
    bool expected_ = false;
    bool leased_ = false;
    bool leasesRefused_ = false;
    bool quiet_ = false;
};

}  // namespace

bool DeleteAllUnlessAnyBeingWritten(const std::vector<ArrivedFile>& files) {
    std::vector<LeasedFile> leased;
    leased.reserve(files.size());
    for (const ArrivedFile& file : files) {
        leased.emplace_back(file);
        if (!leased.back().Arrived()) {
            return false;
        }
    }
    // The archive first: one replaced meanwhile keeps its volumes.
    return std::all_of(files.begin(), files.end(), [](const ArrivedFile& file) {
        return DeleteIfStillExpected(file.path, file.identity);
    });
}

}  // namespace platform
