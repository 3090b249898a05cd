// Reads a record's little-endian fields in the order the format lists them, rather than
// at offsets counted by hand, and writes them again the same way. The caller makes sure
// the record's bytes are all there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

#include "LittleEndian.h"

namespace sevenzip32 {

class FieldCursor {
  public:
    explicit FieldCursor(const uint8_t* bytes) : at_(bytes) {}

    uint16_t U16() { return Take(2, ReadU16(at_)); }
    uint32_t U32() { return Take(4, ReadU32(at_)); }
    uint64_t U64() { return Take(8, ReadU64(at_)); }
    // The next field, as wide as value.
    template <typename Number>
    requires std::is_unsigned_v<Number>
    void Field(Number& value) {
        value = 0;
        for (size_t i = 0; i < sizeof value; ++i) {
            value |= static_cast<Number>(static_cast<Number>(at_[i]) << (8 * i));
        }
        at_ += sizeof value;
    }
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

// Appends fields as FieldCursor reads them.
class FieldWriter {
  public:
    explicit FieldWriter(std::vector<uint8_t>& out) : out_(out) {}

    template <typename Number>
    requires std::is_unsigned_v<Number>
    void Field(Number value) {
        for (size_t i = 0; i < sizeof value; ++i) {
            out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    void Bytes(std::string_view bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

  private:
    std::vector<uint8_t>& out_;
};

}  // namespace sevenzip32
