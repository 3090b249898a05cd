// The disk being written keeps a reserve free above what its file system holds back:
// 64 MiB, or 1% of the disk where that is less, so that a large disk nearly full still
// takes what fits. One budget
// serves every thread of an extraction: the room above the reserve is measured once,
// each entry claims its size from it before it writes, and while writing the disk is
// measured again, so that an entry stops when something else has eaten the room.
#pragma once

#include <atomic>
#include <cstdint>

namespace sevenzip32 {

class DiskBudget {
  public:
    // Measures the room on the file system of folderFd.
    explicit DiskBudget(int folderFd);

    // Claims bytes for one entry; throws NotEnoughSpace when all claims together would
    // pass the room measured.
    void Claim(uint64_t bytes);
    // Counts bytes of a claim as written.
    void Wrote(uint64_t bytes) { unwritten_ -= bytes; }
    // Gives back the part of a claim that was not written.
    void Release(uint64_t bytes);
    // Throws NotEnoughSpace when the disk, measured now through fd, has less room left
    // than what all entries have claimed and not written yet.
    void CheckWhileWriting(int fd) const;

  private:
    const uint64_t room_;
    std::atomic<uint64_t> claimed_{0};
    std::atomic<uint64_t> unwritten_{0};
};

// One entry's claim: what it did not write goes back when it ends, however it ends.
class DiskClaim {
  public:
    DiskClaim(DiskBudget& budget, uint64_t bytes) : budget_(budget), left_(bytes) {
        budget_.Claim(bytes);
    }
    ~DiskClaim() {
        if (left_ != 0) {
            budget_.Release(left_);
        }
    }
    DiskClaim(const DiskClaim&) = delete;
    DiskClaim& operator=(const DiskClaim&) = delete;

    // An entry that writes past its claim (one whose size wrapped past 4 GiB) claims
    // the rest as it goes.
    void Wrote(uint64_t bytes) {
        if (bytes > left_) {
            budget_.Claim(bytes - left_);
            left_ = bytes;
        }
        budget_.Wrote(bytes);
        left_ -= bytes;
    }

  private:
    DiskBudget& budget_;
    uint64_t left_;
};

}  // namespace sevenzip32
