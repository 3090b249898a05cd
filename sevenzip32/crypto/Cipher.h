// Which cipher an entry is encrypted with, and the bytes of its own it keeps around the
// entry's data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sevenzip32 {

// Unreadable: PKWARE's strong encryption, or an AES entry whose field says no strength
// we know.
enum class Cipher : uint8_t { None, ZipCrypto, Aes128, Aes192, Aes256, Unreadable };

bool IsAes(Cipher cipher);
// AES-128, -192 or -256 for the extra field's strength 1, 2 or 3; Unreadable otherwise.
Cipher AesOfStrength(uint8_t strength);
uint8_t AesStrength(Cipher cipher);

// Bytes of the cipher's own before an entry's data, and after it.
size_t CipherHeaderSize(Cipher cipher);
size_t CipherTrailerSize(Cipher cipher);
// AES-256's 16-byte salt and 2-byte verifier.
constexpr size_t kLongestCipherHeader = 18;

}  // namespace sevenzip32
