#include "ZipCrypto.h"

#include "Crc32.h"
#include "SecretBytes.h"

namespace sevenzip32 {

ZipCryptoCipher::ZipCryptoCipher(std::span<const uint8_t> password)
    : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
    for (const uint8_t byte : password) {
        Stir(byte);
    }
}

ZipCryptoCipher::~ZipCryptoCipher() {
    WipeBytes(keys_, sizeof keys_);
}

void ZipCryptoCipher::Stir(uint8_t plain) {
    keys_[0] = Crc32Step(keys_[0], plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = Crc32Step(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

uint8_t ZipCryptoCipher::KeyByte() const {
    const uint32_t temp = (keys_[2] | 2) & 0xFFFF;
    return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
}

bool ZipCryptoCipher::OpenHeader(std::span<const uint8_t, kZipCryptoHeaderSize> header,
                                 uint8_t crcCheck, uint8_t timeCheck) {
    std::array<uint8_t, kZipCryptoHeaderSize> plain{};
    Decrypt(header, plain);
    const uint8_t check = plain.back();
    WipeBytes(plain.data(), plain.size());
    return check == crcCheck || check == timeCheck;
}

void ZipCryptoCipher::Decrypt(std::span<const uint8_t> input, std::span<uint8_t> output) {
    for (size_t i = 0; i < input.size(); ++i) {
        const uint8_t plain = input[i] ^ KeyByte();
        Stir(plain);
        output[i] = plain;
    }
}

void ZipCryptoCipher::Encrypt(std::span<const uint8_t> input, std::span<uint8_t> output) {
    for (size_t i = 0; i < input.size(); ++i) {
        const uint8_t plain = input[i];
        output[i] = plain ^ KeyByte();
        Stir(plain);
    }
}

}  // namespace sevenzip32
