#include "HeaderBytes.h"

#include "EntryFailure.h"
#include "LittleEndian.h"

namespace sevenzip32::sevenz {

void HeaderDamaged() {
    throw EntryFailure(Reason::k7zHeaderDamaged);
}

uint8_t HeaderBytes::Byte() {
    return Bytes(1)[0];
}

uint32_t HeaderBytes::U32() {
    return ReadU32(Bytes(4).data());
}

uint64_t HeaderBytes::U64() {
    return ReadU64(Bytes(8).data());
}

uint64_t HeaderBytes::Number() {
    const uint8_t first = Byte();
    uint64_t value = 0;
    uint8_t mask = 0x80;
    for (int i = 0; i < 8; ++i, mask >>= 1) {
        if ((first & mask) == 0) {
            const uint64_t high = first & (mask - 1u);
            return value | high << (8 * i);
        }
        value |= uint64_t{Byte()} << (8 * i);
    }
    return value;
}

size_t HeaderBytes::Count() {
    const uint64_t count = Number();
    if (count > Left()) {
        HeaderDamaged();
    }
    return static_cast<size_t>(count);
}

std::span<const uint8_t> HeaderBytes::Bytes(uint64_t count) {
    if (count > Left()) {
        HeaderDamaged();
    }
    const auto bytes = bytes_.subspan(at_, static_cast<size_t>(count));
    at_ += static_cast<size_t>(count);
    return bytes;
}

std::vector<bool> HeaderBytes::Bits(size_t count) {
    const auto bytes = Bytes((uint64_t{count} + 7) / 8);
    std::vector<bool> bits(count);
    for (size_t i = 0; i < count; ++i) {
        bits[i] = (bytes[i / 8] & (0x80 >> (i % 8))) != 0;
    }
    return bits;
}

std::vector<bool> HeaderBytes::DefinedBits(size_t count) {
    if (Byte() != 0) {
        return std::vector<bool>(count, true);
    }
    return Bits(count);
}

}  // namespace sevenzip32::sevenz
