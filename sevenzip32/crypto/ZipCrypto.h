// The format's traditional cipher: three keys stirred by each plain byte, and a
// 12-byte header before the data whose last byte checks the password, one time in 256
// by chance.
#pragma once

#include <cstdint>
#include <span>

#include "EntryDecryptor.h"

namespace sevenzip32 {

constexpr size_t kZipCryptoHeaderSize = 12;

class ZipCryptoCipher : public EntryDecryptor {
  public:
    // Keys made from password, before the header.
    explicit ZipCryptoCipher(std::span<const uint8_t> password);
    ~ZipCryptoCipher() override;

    // Decrypts the header and tells whether its last byte is one of the two a writer may
    // have chosen: the CRC's high byte, or the modification time's when the CRC came only
    // after the data.
    bool OpenHeader(std::span<const uint8_t, kZipCryptoHeaderSize> header, uint8_t crcCheck,
                    uint8_t timeCheck);

    void Decrypt(std::span<const uint8_t> input, std::span<uint8_t> output) override;
    void Finish(std::span<const uint8_t>) override {}

    // Encrypts, for the tests that make archives of their own.
    void Encrypt(std::span<const uint8_t> input, std::span<uint8_t> output);

  private:
    void Stir(uint8_t plain);
    uint8_t KeyByte() const;

    uint32_t keys_[3];
};

}  // namespace sevenzip32
