#include "WinZipAes.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <system_error>

#include "BackgroundBytes.h"
#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

constexpr unsigned kRounds = 1000;
constexpr size_t kBlockSize = 16;
// Key stream made ahead, this many bytes at a time.
constexpr size_t kStreamSize = 16 * 1024;
// Past this many bytes the code is computed on a thread of its own, beside the decoding:
// HMAC-SHA1 is several times slower than AES, and needs only the encrypted bytes.
constexpr uint64_t kCodeBesideFrom = 8ull * 1024 * 1024;

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct MacContextFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};
struct MacFree {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};

const EVP_CIPHER* EcbCipher(size_t keySize) {
    switch (keySize) {
        case 16:
            return EVP_aes_128_ecb();
        case 24:
            return EVP_aes_192_ecb();
        default:
            return EVP_aes_256_ecb();
    }
}

// Fetched once: libcrypto's look-up of an algorithm by name costs more than a small entry.
EVP_MAC* Hmac() {
    static const std::unique_ptr<EVP_MAC, MacFree> hmac(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    return hmac.get();
}

// out = in ^ key, a word at a time: the compiler vectorises no loop over bytes that
// may overlap, and this one runs over every byte of an entry.
void XorBytes(const uint8_t* in, const uint8_t* key, uint8_t* out, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word = 0;
        uint64_t keyWord = 0;
        std::memcpy(&word, in + i, 8);
        std::memcpy(&keyWord, key + i, 8);
        word ^= keyWord;
        std::memcpy(out + i, &word, 8);
    }
    for (; i < size; ++i) {
        out[i] = in[i] ^ key[i];
    }
}

EntryFailure CryptoFailure() {
    return EntryFailure(Reason::kDecryptionLibraryFailed, EntryFailure::Cause::Outside);
}

}  // namespace

struct WinZipAesCipher::State {
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> cipher{EVP_CIPHER_CTX_new()};
    std::unique_ptr<EVP_MAC_CTX, MacContextFree> mac;
    std::array<uint8_t, kBlockSize> counter{};  // of the next block of key stream
    std::array<uint8_t, kStreamSize> stream{};
    size_t streamUsed = kStreamSize;            // bytes of stream already used
    uint64_t authenticated = 0;                 // encrypted bytes given to the code so far
    std::optional<BackgroundBytes> codeBeside;  // gone before mac, which it updates

    ~State() {
        WipeBytes(counter.data(), counter.size());
        WipeBytes(stream.data(), stream.size());
    }

    // The next kStreamSize bytes of key stream: the counter blocks, encrypted.
    void MakeStream() {
        for (size_t at = 0; at < kStreamSize; at += kBlockSize) {
            for (uint8_t& byte : counter) {
                if (++byte != 0) {
                    break;
                }
            }
            std::memcpy(stream.data() + at, counter.data(), kBlockSize);
        }
        int written = 0;
        if (EVP_EncryptUpdate(cipher.get(), stream.data(), &written, stream.data(),
                              static_cast<int>(kStreamSize)) != 1) {
            throw CryptoFailure();
        }
        streamUsed = 0;
    }

    // Adds encrypted bytes to the code, on a thread of its own once the entry is large.
    void Authenticate(std::span<const uint8_t> encrypted) {
        if (!codeBeside && authenticated < kCodeBesideFrom &&
            authenticated + encrypted.size() >= kCodeBesideFrom) {
            try {
                codeBeside.emplace([context = mac.get()](std::span<const uint8_t> bytes) {
                    if (EVP_MAC_update(context, bytes.data(), bytes.size()) != 1) {
                        throw CryptoFailure();
                    }
                });
            } catch (const std::system_error&) {
                // No thread to be had: the code is computed here, as for a small entry.
            }
        }
        authenticated += encrypted.size();
        if (codeBeside) {
            codeBeside->Write(encrypted);
        } else if (EVP_MAC_update(mac.get(), encrypted.data(), encrypted.size()) != 1) {
            throw CryptoFailure();
        }
    }
};

size_t AesKeySize(uint8_t strength) {
    return strength >= 1 && strength <= 3 ? 8 + 8 * static_cast<size_t>(strength) : 0;
}

size_t AesSaltSize(uint8_t strength) {
    return AesKeySize(strength) / 2;
}

SecretBytes Pbkdf2HmacSha1(std::span<const uint8_t> password, std::span<const uint8_t> salt,
                           unsigned rounds, size_t length) {
    SecretBytes derived(length);
    if (PKCS5_PBKDF2_HMAC_SHA1(reinterpret_cast<const char*>(password.data()),
                               static_cast<int>(password.size()), salt.data(),
                               static_cast<int>(salt.size()), static_cast<int>(rounds),
                               static_cast<int>(length), derived.data()) != 1) {
        throw CryptoFailure();
    }
    return derived;
}

std::unique_ptr<WinZipAesCipher> WinZipAesCipher::Open(std::span<const uint8_t> password,
                                                       uint8_t strength,
                                                       std::span<const uint8_t> header) {
    const size_t keySize = AesKeySize(strength);
    const size_t saltSize = AesSaltSize(strength);
    if (keySize == 0 || header.size() != saltSize + kAesVerifierSize) {
        return nullptr;
    }
    // The cipher's key, the code's key, the verifier.
    const SecretBytes keys =
        Pbkdf2HmacSha1(password, header.first(saltSize), kRounds, 2 * keySize + kAesVerifierSize);
    if (CRYPTO_memcmp(keys.data() + 2 * keySize, header.data() + saltSize, kAesVerifierSize) != 0) {
        return nullptr;
    }
    auto state = std::make_unique<State>();
    if (!state->cipher || Hmac() == nullptr ||
        EVP_EncryptInit_ex(state->cipher.get(), EcbCipher(keySize), nullptr, keys.data(),
                           nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(state->cipher.get(), 0) != 1) {
        throw CryptoFailure();
    }
    state->mac.reset(EVP_MAC_CTX_new(Hmac()));
    char digest[] = "SHA1";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    if (!state->mac ||
        EVP_MAC_init(state->mac.get(), keys.data() + keySize, keySize, parameters) != 1) {
        throw CryptoFailure();
    }
    return std::unique_ptr<WinZipAesCipher>(new WinZipAesCipher(std::move(state)));
}

WinZipAesCipher::WinZipAesCipher(std::unique_ptr<State> state) : state_(std::move(state)) {}

WinZipAesCipher::~WinZipAesCipher() = default;

void WinZipAesCipher::Xor(std::span<const uint8_t> input, std::span<uint8_t> output) {
    State& state = *state_;
    for (size_t done = 0; done < input.size();) {
        if (state.streamUsed == kStreamSize) {
            state.MakeStream();
        }
        const size_t run = std::min(input.size() - done, kStreamSize - state.streamUsed);
        XorBytes(input.data() + done, state.stream.data() + state.streamUsed, output.data() + done,
                 run);
        state.streamUsed += run;
        done += run;
    }
}

void WinZipAesCipher::Decrypt(std::span<const uint8_t> input, std::span<uint8_t> output) {
    state_->Authenticate(input);
    Xor(input, output);
}

void WinZipAesCipher::Encrypt(std::span<const uint8_t> input, std::span<uint8_t> output) {
    Xor(input, output);
    state_->Authenticate(output);
}

std::array<uint8_t, kAesCodeSize> WinZipAesCipher::Code() {
    if (state_->codeBeside) {
        state_->codeBeside->Finish();
    }
    std::array<uint8_t, EVP_MAX_MD_SIZE> digest{};
    size_t length = 0;
    if (EVP_MAC_final(state_->mac.get(), digest.data(), &length, digest.size()) != 1 ||
        length < kAesCodeSize) {
        throw CryptoFailure();
    }
    std::array<uint8_t, kAesCodeSize> code{};
    std::copy_n(digest.begin(), kAesCodeSize, code.begin());
    return code;
}

void WinZipAesCipher::Finish(std::span<const uint8_t> trailer) {
    const std::array<uint8_t, kAesCodeSize> code = Code();
    if (trailer.size() != kAesCodeSize ||
        CRYPTO_memcmp(code.data(), trailer.data(), kAesCodeSize) != 0) {
        throw EntryFailure(Reason::kAuthenticationFailed);
    }
}

}  // namespace sevenzip32
