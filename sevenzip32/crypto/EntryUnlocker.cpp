#include "EntryUnlocker.h"

#include <memory>
#include <optional>

#include "EntryFailure.h"

namespace sevenzip32 {

void EntryUnlocker::Unlock(const EntryLock& lock, const StoredBytes& stored,
                           std::span<uint8_t> room,
                           const std::function<void(EntryBytes&)>& attempt) {
    CheckRoomForCipher(lock.cipher, stored()->Left());
    const auto& candidates = passwords_.Candidates();
    const size_t first = lastOpened_.load(std::memory_order_relaxed);
    std::optional<EntryFailure> altered;
    for (size_t tried = 0; tried < candidates.size(); ++tried) {
        const size_t which = (first + tried) % candidates.size();
        const std::unique_ptr<EntryBytes> bytes = stored();
        const auto decrypted = DecryptingBytes::Open(*bytes, lock, candidates[which].Span(), room);
        if (!decrypted) {
            continue;
        }
        try {
            attempt(*decrypted);
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
