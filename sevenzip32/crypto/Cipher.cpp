#include "Cipher.h"

#include "WinZipAes.h"
#include "ZipCrypto.h"

namespace sevenzip32 {

bool IsAes(Cipher cipher) {
    return cipher == Cipher::Aes128 || cipher == Cipher::Aes192 || cipher == Cipher::Aes256;
}

Cipher AesOfStrength(uint8_t strength) {
    return strength >= 1 && strength <= 3
               ? static_cast<Cipher>(static_cast<uint8_t>(Cipher::Aes128) + strength - 1)
               : Cipher::Unreadable;
}

uint8_t AesStrength(Cipher cipher) {
    return IsAes(cipher) ? static_cast<uint8_t>(static_cast<uint8_t>(cipher) -
                                                static_cast<uint8_t>(Cipher::Aes128) + 1)
                         : 0;
}

size_t CipherHeaderSize(Cipher cipher) {
    if (cipher == Cipher::ZipCrypto) {
        return kZipCryptoHeaderSize;
    }
    return IsAes(cipher) ? AesSaltSize(AesStrength(cipher)) + kAesVerifierSize : 0;
}

size_t CipherTrailerSize(Cipher cipher) {
    return IsAes(cipher) ? kAesCodeSize : 0;
}

}  // namespace sevenzip32
