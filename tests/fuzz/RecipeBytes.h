// The fuzzer's bytes read as choices: what a recipe takes from them, and the damage it
// does with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Takes what it is asked for from the recipe, zeros once it runs out.
class Recipe {
  public:
    Recipe(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t Number(uint32_t most) {
        uint64_t value = 0;
        for (uint32_t left = most; left > 0; left >>= 8) {
            value = value << 8 | Byte();
        }
        return static_cast<uint32_t>(value % (uint64_t{most} + 1));
    }
    bool Chance(uint32_t inEight) { return Number(7) < inEight; }
    std::string Bytes(size_t count) {
        std::string bytes;
        for (size_t i = 0; i < count && at_ < size_; ++i) {
            bytes += static_cast<char>(Byte());
        }
        return bytes;
    }
    bool RanOut() const { return at_ >= size_; }

  private:
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Flips a byte of bytes, at a place the recipe chooses.
inline void Damage(Recipe& recipe, std::string& bytes) {
    if (!bytes.empty()) {
        bytes[recipe.Number(static_cast<uint32_t>(bytes.size() - 1))] ^=
            static_cast<char>(1 + recipe.Number(254));
    }
}
