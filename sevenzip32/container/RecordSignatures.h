// The signatures that open each of the format's records.
#pragma once

#include <cstdint>

namespace sevenzip32 {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
// Stands before a central directory that is itself encrypted.
constexpr uint32_t kArchiveExtraDataSignature = 0x08064b50;

}  // namespace sevenzip32
