#include "EntryUnlocker.h"

#include <memory>
#include <optional>

#include "EntryFailure.h"
#include "WinZipAes.h"
#include "ZipCrypto.h"

namespace sevenzip32 {
namespace {

// The decryptor of password for the entry, when the password passes its check.
std::unique_ptr<EntryDecryptor> Open(const EntryLock& lock, std::span<const uint8_t> password) {
    if (lock.cipher == Cipher::ZipCrypto) {
        auto cipher = std::make_unique<ZipCryptoCipher>(password);
        const std::span<const uint8_t, kZipCryptoHeaderSize> header(lock.header.data(),
                                                                    kZipCryptoHeaderSize);
        if (!cipher->OpenHeader(header, lock.crcCheck, lock.timeCheck)) {
            return nullptr;
        }
        return cipher;
    }
    if (IsAes(lock.cipher)) {
        return WinZipAesCipher::Open(password, AesStrength(lock.cipher), lock.Header());
    }
    return nullptr;
}

}  // namespace

void EntryUnlocker::Unlock(const EntryLock& lock,
                           const std::function<void(EntryDecryptor&)>& attempt) {
    const auto& candidates = passwords_.Candidates();
    const size_t first = lastOpened_.load(std::memory_order_relaxed);
    std::optional<EntryFailure> altered;
    for (size_t tried = 0; tried < candidates.size(); ++tried) {
        const size_t which = (first + tried) % candidates.size();
        const std::unique_ptr<EntryDecryptor> decryptor = Open(lock, candidates[which].Span());
        if (!decryptor) {
            continue;
        }
        try {
            attempt(*decryptor);
            lastOpened_.store(which, std::memory_order_relaxed);
            return;
        } catch (const EntryFailure& failure) {
            if (!failure.LiesInTheArchive()) {
                throw;
            }
            // Past the verifier of the AES header, a wrong password is one in 65,536: the
            // data itself was altered.
            if (IsAes(lock.cipher)) {
                altered = failure;
            }
        }
    }
    if (altered) {
        throw *altered;
    }
    throw EntryFailure(Reason::kNoPasswordOpensIt, EntryFailure::Cause::WantsPassword);
}

}  // namespace sevenzip32
