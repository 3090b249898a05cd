#include "ZipCrypto.h"

#include <array>

#include "SecretBytes.h"

namespace sevenzip32 {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) != 0 ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// One byte of the CRC-32 the cipher's keys are stirred with, without its pre- and
// post-inversion.
uint32_t CrcStep(uint32_t crc, uint8_t byte) {
    return (crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFF];
}

}  // namespace

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
    keys_[0] = CrcStep(keys_[0], plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = CrcStep(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
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
