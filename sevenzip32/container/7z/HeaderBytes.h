// The bytes of a 7z header, read as the format writes them: single bytes, little-endian
// fields, its variable-length numbers, bit vectors. Every read stays within the bytes; one
// that would go past them, and any count larger than the bytes left could hold, fails the
// header as damaged, so that a made-up count never becomes a made-up allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sevenzip32::sevenz {

class HeaderBytes {
  public:
    explicit HeaderBytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    uint8_t Byte();
    uint32_t U32();
    uint64_t U64();
    // The format's number: as many more bytes as the first has leading ones.
    uint64_t Number();
    // A number that counts things of which each takes at least one byte of what is left.
    size_t Count();
    std::span<const uint8_t> Bytes(uint64_t count);
    void Skip(uint64_t count) { Bytes(count); }
    // count bits, the first the highest of the first byte.
    std::vector<bool> Bits(size_t count);
    // A byte that says all are there, else their bits.
    std::vector<bool> DefinedBits(size_t count);
    size_t Left() const { return bytes_.size() - at_; }

  private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

// Throws the failure of a damaged header.
[[noreturn]] void HeaderDamaged();

}  // namespace sevenzip32::sevenz
