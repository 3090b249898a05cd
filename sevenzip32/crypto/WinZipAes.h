// WinZip's AES for ZIP entries: keys derived from the password and a salt by
// PBKDF2-HMAC-SHA1 (1,000 rounds), a 2-byte password verifier after the salt, AES in
// counter mode with a little-endian counter that starts at 1, and the first 10 bytes of
// an HMAC-SHA1 of the encrypted data after it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "EntryDecryptor.h"
#include "SecretBytes.h"

namespace sevenzip32 {

constexpr size_t kAesVerifierSize = 2;
constexpr size_t kAesCodeSize = 10;

// Strength 1, 2 or 3 of the extra field: AES-128, -192 or -256.
size_t AesKeySize(uint8_t strength);
size_t AesSaltSize(uint8_t strength);

// PBKDF2-HMAC-SHA1 of password and salt, length bytes of it.
SecretBytes Pbkdf2HmacSha1(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                           unsigned rounds, size_t length);

class WinZipAesCipher : public EntryDecryptor {
  public:
    // The decryptor for header (the salt and the verifier), when password passes the
    // verifier; nothing when it does not.
    static std::unique_ptr<WinZipAesCipher> Open(std::span<const uint8_t> password,
                                                 uint8_t strength, std::span<const uint8_t> header);
    ~WinZipAesCipher() override;

    void Decrypt(std::span<const uint8_t> input, std::span<uint8_t> output) override;
    // Checks the 10-byte code after the data against what was decrypted.
    void Finish(std::span<const uint8_t> trailer) override;

    // Encrypts, for the tests that make archives of their own; Code() then gives the code
    // to write after the data.
    void Encrypt(std::span<const uint8_t> input, std::span<uint8_t> output);
    std::array<uint8_t, kAesCodeSize> Code();

    struct State;  // libcrypto's contexts and the counter

  private:
    explicit WinZipAesCipher(std::unique_ptr<State> state);
    void Xor(std::span<const uint8_t> input, std::span<uint8_t> output);

    std::unique_ptr<State> state_;
};

}  // namespace sevenzip32
