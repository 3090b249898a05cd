#include "SevenZAes.h"

#include <openssl/evp.h>

#include <algorithm>

#include "EntryFailure.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

constexpr uint8_t kMostCyclesPower = 24;  // as the format's own decoder allows
constexpr uint8_t kKeyAsPassword = 0x3F;  // the key is salt and password as they stand
constexpr size_t kBlock = 16;
constexpr size_t kBufferSize = 64 * 1024;

struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct CipherFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

class AesStream : public ByteStream {
  public:
    AesStream(std::span<const uint8_t> key, const std::array<uint8_t, 16>& iv, ByteStream& below)
        : below_(below), cipher_(EVP_CIPHER_CTX_new()), buffer_(kBufferSize) {
        if (!cipher_ || key.size() != 32 ||
            EVP_DecryptInit_ex(cipher_.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv.data()) !=
                1 ||
            EVP_CIPHER_CTX_set_padding(cipher_.get(), 0) != 1) {
            throw EntryFailure(Reason::kDecryptionLibraryFailed, EntryFailure::Cause::Outside);
        }
    }

    size_t Read(std::span<uint8_t> into) override {
        // Whole blocks only: what is left of a block waits for the rest.
        const size_t room = std::min(into.size(), buffer_.size()) / kBlock * kBlock;
        if (room == 0) {
            throw EntryFailure(Reason::kInternalError);  // readers ask for buffers, not bytes
        }
        while (true) {
            const size_t read = below_.Read(std::span(buffer_).subspan(held_, room - held_));
            held_ += read;
            if (read == 0 && held_ % kBlock != 0) {
                throw EntryFailure(Reason::kDataDamaged);  // not a whole number of blocks
            }
            const size_t whole = held_ / kBlock * kBlock;
            if (whole == 0 && read == 0) {
                return 0;
            }
            if (whole == 0) {
                continue;
            }
            int produced = 0;
            if (EVP_DecryptUpdate(cipher_.get(), into.data(), &produced, buffer_.data(),
                                  static_cast<int>(whole)) != 1) {
                throw EntryFailure(Reason::kDecryptionLibraryFailed, EntryFailure::Cause::Outside);
            }
            std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(whole),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(held_), buffer_.begin());
            held_ -= whole;
            return static_cast<size_t>(produced);
        }
    }

  private:
    ByteStream& below_;
    std::unique_ptr<EVP_CIPHER_CTX, CipherFree> cipher_;
    std::vector<uint8_t> buffer_;
    size_t held_ = 0;
};

}  // namespace

// The first byte holds the rounds' power and whether salt and vector follow; the second,
// their sizes less those first bits.
SevenZAesProperties ReadSevenZAesProperties(std::span<const uint8_t> properties) {
    SevenZAesProperties read;
    if (properties.empty()) {
        throw EntryFailure(Reason::k7zHeaderDamaged);
    }
    const uint8_t first = properties[0];
    read.cyclesPower = first & 0x3F;
    if ((first & 0xC0) == 0) {
        return read;
    }
    if (properties.size() < 2) {
        throw EntryFailure(Reason::k7zHeaderDamaged);
    }
    const size_t saltSize = ((first >> 7) & 1) + (properties[1] >> 4);
    const size_t ivSize = ((first >> 6) & 1) + (properties[1] & 0x0F);
    if (properties.size() < 2 + saltSize + ivSize || ivSize > read.iv.size()) {
        throw EntryFailure(Reason::k7zHeaderDamaged);
    }
    read.salt.assign(properties.begin() + 2, properties.begin() + 2 + saltSize);
    std::copy_n(properties.begin() + 2 + static_cast<std::ptrdiff_t>(saltSize), ivSize,
                read.iv.begin());
    if (read.cyclesPower > kMostCyclesPower && read.cyclesPower != kKeyAsPassword) {
        throw EntryFailure(Reason::kUnsupportedMethod, "7zAES");
    }
    return read;
}

std::optional<SecretBytes> SevenZPassword(std::span<const uint8_t> utf8) {
    const std::string_view text(reinterpret_cast<const char*>(utf8.data()), utf8.size());
    size_t units = 0;
    for (size_t at = 0; at < text.size();) {
        uint32_t point = 0;
        const size_t length = Utf8SequenceAt(text, at, &point);
        if (length == 0) {
            return std::nullopt;
        }
        units += point >= 0x10000 ? 2 : 1;
        at += length;
    }
    SecretBytes password(units * 2);
    uint8_t* out = password.data();
    const auto put = [&](uint32_t unit) {
        *out++ = static_cast<uint8_t>(unit);
        *out++ = static_cast<uint8_t>(unit >> 8);
    };
    for (size_t at = 0; at < text.size();) {
        uint32_t point = 0;
        at += Utf8SequenceAt(text, at, &point);
        if (point >= 0x10000) {
            put(0xD800 + ((point - 0x10000) >> 10));
            put(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            put(point);
        }
    }
    return password;
}

SecretBytes DeriveSevenZKey(const SevenZAesProperties& properties,
                            std::span<const uint8_t> utf16Password) {
    SecretBytes key(32);
    if (properties.cyclesPower == kKeyAsPassword) {
        SecretBytes joined(properties.salt.size() + utf16Password.size());
        std::copy(properties.salt.begin(), properties.salt.end(), joined.data());
        std::copy(utf16Password.begin(), utf16Password.end(),
                  joined.data() + properties.salt.size());
        std::copy_n(joined.data(), std::min<size_t>(joined.size(), key.size()), key.data());
        return key;
    }
    // Salt, password and an 8-byte round counter, hashed once a round.
    SecretBytes round(properties.salt.size() + utf16Password.size() + 8);
    std::copy(properties.salt.begin(), properties.salt.end(), round.data());
    std::copy(utf16Password.begin(), utf16Password.end(), round.data() + properties.salt.size());
    uint8_t* counter = round.data() + round.size() - 8;
    const std::unique_ptr<EVP_MD_CTX, DigestFree> digest(EVP_MD_CTX_new());
    if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
        throw EntryFailure(Reason::kDecryptionLibraryFailed, EntryFailure::Cause::Outside);
    }
    const uint64_t rounds = uint64_t{1} << properties.cyclesPower;
    for (uint64_t i = 0; i < rounds; ++i) {
        for (int b = 0; b < 8; ++b) {
            counter[b] = static_cast<uint8_t>(i >> (8 * b));
        }
        if (EVP_DigestUpdate(digest.get(), round.data(), round.size()) != 1) {
            throw EntryFailure(Reason::kDecryptionLibraryFailed, EntryFailure::Cause::Outside);
        }
    }
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digest.get(), key.data(), &length) != 1 || length != key.size()) {
        throw EntryFailure(Reason::kDecryptionLibraryFailed, EntryFailure::Cause::Outside);
    }
    return key;
}

std::unique_ptr<ByteStream> MakeSevenZAesStream(std::span<const uint8_t> key,
                                                const std::array<uint8_t, 16>& iv,
                                                ByteStream& below) {
    return std::make_unique<AesStream>(key, iv, below);
}

}  // namespace sevenzip32
