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

// Little-endian fields of ZIP records.
inline uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t ReadU64(const uint8_t* p) {
    return static_cast<uint64_t>(ReadU32(p)) | static_cast<uint64_t>(ReadU32(p + 4)) << 32;
}

}  // namespace sevenzip32
