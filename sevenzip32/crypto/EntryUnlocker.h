// Tries the passwords the user keeps on an encrypted entry, the one that opened the last
// entry first: most archives have one password for all their entries.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <span>

#include "DecryptingBytes.h"
#include "EntryBytes.h"
#include "PasswordList.h"

namespace sevenzip32 {

class EntryUnlocker {
  public:
    explicit EntryUnlocker(const PasswordList& passwords) : passwords_(passwords) {}

    // Makes the entry's stored bytes anew for each password, and calls attempt with them
    // decrypted (in room) for each password that passes the cipher's check, until one
    // attempt returns. An attempt that fails for a reason in the archive lets
    // the next password try, since a wrong one passes the traditional cipher's check once
    // in 256 times and only the entry's CRC then tells; a failure from outside ends the
    // trying. Throws the failure of the last attempt that was cut short by an altered
    // entry, or else that no listed password opens it. Safe on several threads at once.
    using StoredBytes = std::function<std::unique_ptr<EntryBytes>()>;
    void Unlock(const EntryLock& lock, const StoredBytes& stored, std::span<uint8_t> room,
                const std::function<void(EntryBytes&)>& attempt);

  private:
    const PasswordList& passwords_;
    std::atomic<size_t> lastOpened_{0};
};

}  // namespace sevenzip32
