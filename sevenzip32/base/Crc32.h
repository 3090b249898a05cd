// CRC-32 of ZIP entries (the reflected IEEE polynomial), continued across calls.
#pragma once

#include <cstdint>
#include <span>

namespace sevenzip32 {

uint32_t UpdateCrc32(uint32_t crc, std::span<const uint8_t> bytes);

}  // namespace sevenzip32
