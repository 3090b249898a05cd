// The archive as an open, regular file read by offset, so that several threads can
// read it at once and every reader sees the same file, whatever happens to its name.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "UniqueFd.h"

namespace sevenzip32 {

class ArchiveFile {
  public:
    explicit ArchiveFile(const std::string& path);

    int Fd() const { return fd_.Get(); }
    uint64_t Size() const { return size_; }
    // Fills bytes from offset; a read past the end of the file is a failure.
    void ReadAt(uint64_t offset, std::span<uint8_t> bytes) const;

  private:
    UniqueFd fd_;
    uint64_t size_ = 0;
};

}  // namespace sevenzip32
