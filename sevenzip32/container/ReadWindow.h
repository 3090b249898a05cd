// Reads records that lie close together in the archive (the local headers between small
// entries) through one larger read, instead of a system call for each.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ArchiveFile.h"

namespace sevenzip32 {

class ReadWindow {
  public:
    explicit ReadWindow(const ArchiveFile& file) : file_(file) {}

    const ArchiveFile& File() const { return file_; }
    uint64_t FileSize() const { return file_.Size(); }
    // The length bytes at offset, valid until the next call; a read past the end of the
    // file is a failure.
    std::span<const uint8_t> At(uint64_t offset, size_t length);

  private:
    static constexpr size_t kWindowSize = 64 * 1024;

    const ArchiveFile& file_;
    std::vector<uint8_t> bytes_;
    uint64_t start_ = 0;
};

}  // namespace sevenzip32
