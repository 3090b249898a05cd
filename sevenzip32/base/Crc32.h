// CRC-32 of ZIP entries (the reflected IEEE polynomial), continued across calls; and the
// one step of it, a byte at a time without the pre- and post-inversion, that the
// traditional cipher stirs its keys with.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace sevenzip32 {

uint32_t UpdateCrc32(uint32_t crc, std::span<const uint8_t> bytes);

namespace crc32 {

constexpr uint32_t kPolynomial = 0xEDB88320u;

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) != 0 ? kPolynomial ^ (value >> 1) : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

inline constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace crc32

inline uint32_t Crc32Step(uint32_t crc, uint8_t byte) {
    return (crc >> 8) ^ crc32::kTable[(crc ^ byte) & 0xFF];
}

}  // namespace sevenzip32
