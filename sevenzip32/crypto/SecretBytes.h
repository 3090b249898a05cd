// Bytes that may hold a password or a key: wiped before their memory is given back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace sevenzip32 {

// Overwrites bytes in a way the compiler may not leave out.
void WipeBytes(void* bytes, size_t size);

class SecretBytes {
  public:
    SecretBytes() = default;
    explicit SecretBytes(size_t size) : bytes_(size) {}
    explicit SecretBytes(std::string_view text) : bytes_(text.begin(), text.end()) {}
    SecretBytes(SecretBytes&&) noexcept = default;
    SecretBytes& operator=(SecretBytes&& other) noexcept {
        Wipe();
        bytes_ = std::move(other.bytes_);
        return *this;
    }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    ~SecretBytes() { Wipe(); }

    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    std::span<const uint8_t> Span() const { return bytes_; }
    std::span<uint8_t> Span() { return bytes_; }
    // Keeps only the first size bytes, wiping the rest; the room is not moved.
    void KeepFirst(size_t size) {
        if (size < bytes_.size()) {
            WipeBytes(bytes_.data() + size, bytes_.size() - size);
            bytes_.resize(size);
        }
    }

  private:
    void Wipe() { WipeBytes(bytes_.data(), bytes_.size()); }

    std::vector<uint8_t> bytes_;  // never grown once filled, so no copy is left behind
};

}  // namespace sevenzip32
