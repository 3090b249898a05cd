#include "DecryptingBytes.h"

#include <algorithm>
#include <array>

#include "EntryFailure.h"
#include "WinZipAes.h"
#include "ZipCrypto.h"

namespace sevenzip32 {
namespace {

// The cipher of password for the entry, when the password passes the header's check.
std::unique_ptr<EntryDecryptor> OpenCipher(const EntryLock& lock, std::span<const uint8_t> header,
                                           std::span<const uint8_t> password) {
    if (lock.cipher == Cipher::ZipCrypto) {
        auto cipher = std::make_unique<ZipCryptoCipher>(password);
        const std::span<const uint8_t, kZipCryptoHeaderSize> fixed(header.data(),
                                                                   kZipCryptoHeaderSize);
        if (!cipher->OpenHeader(fixed, lock.crcCheck, lock.timeCheck)) {
            return nullptr;
        }
        return cipher;
    }
    if (IsAes(lock.cipher)) {
        return WinZipAesCipher::Open(password, AesStrength(lock.cipher), header);
    }
    return nullptr;
}

// Reads exactly size bytes from bytes into room, however they come.
std::span<const uint8_t> ReadExactly(EntryBytes& bytes, size_t size, std::span<uint8_t> room) {
    size_t done = 0;
    while (done < size) {
        const std::span<const uint8_t> chunk = bytes.Next(size - done);
        if (chunk.empty()) {
            throw EntryFailure(Reason::kCipherHeaderTooShort);
        }
        std::copy(chunk.begin(), chunk.end(), room.begin() + static_cast<std::ptrdiff_t>(done));
        done += chunk.size();
    }
    return room.first(size);
}

}  // namespace

void CheckRoomForCipher(Cipher cipher, uint64_t storedSize) {
    if (storedSize < CipherHeaderSize(cipher) + CipherTrailerSize(cipher)) {
        throw EntryFailure(Reason::kCipherHeaderTooShort);
    }
}

std::unique_ptr<DecryptingBytes> DecryptingBytes::Open(EntryBytes& stored, const EntryLock& lock,
                                                       std::span<const uint8_t> password,
                                                       std::span<uint8_t> room) {
    CheckRoomForCipher(lock.cipher, stored.Left());
    std::array<uint8_t, kLongestCipherHeader> header{};
    const auto read = ReadExactly(stored, CipherHeaderSize(lock.cipher), header);
    auto cipher = OpenCipher(lock, read, password);
    if (!cipher) {
        return nullptr;
    }
    return std::unique_ptr<DecryptingBytes>(
        new DecryptingBytes(stored, std::move(cipher), CipherTrailerSize(lock.cipher), room));
}

std::span<const uint8_t> DecryptingBytes::Next(uint64_t most) {
    const std::span<const uint8_t> chunk =
        stored_.Next(std::min<uint64_t>({most, Left(), room_.size()}));
    cipher_->Decrypt(chunk, room_.first(chunk.size()));
    return room_.first(chunk.size());
}

uint64_t DecryptingBytes::Left() const {
    return stored_.Left() - trailer_;
}

void DecryptingBytes::Finish() {
    std::array<uint8_t, kAesCodeSize> trailer{};  // the only trailer there is
    cipher_->Finish(trailer_ == 0 ? std::span<const uint8_t>()
                                  : ReadExactly(stored_, trailer_, trailer));
}

}  // namespace sevenzip32
