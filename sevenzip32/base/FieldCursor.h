// Reads a record's little-endian fields in the order the format lists them, rather than
// at offsets counted by hand. The caller makes sure the record's bytes are all there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "LittleEndian.h"

namespace sevenzip32 {

class FieldCursor {
  public:
    explicit FieldCursor(const uint8_t* bytes) : at_(bytes) {}

    uint16_t U16() { return Take(2, ReadU16(at_)); }
    uint32_t U32() { return Take(4, ReadU32(at_)); }
    uint64_t U64() { return Take(8, ReadU64(at_)); }
    void Skip(size_t size) { at_ += size; }
    std::string_view Bytes(size_t size) {
        const std::string_view bytes(reinterpret_cast<const char*>(at_), size);
        at_ += size;
        return bytes;
    }

  private:
    template <typename Value>
    Value Take(size_t size, Value value) {
        at_ += size;
        return value;
    }

    const uint8_t* at_;
};

}  // namespace sevenzip32
