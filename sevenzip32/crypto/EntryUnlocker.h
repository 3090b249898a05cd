// Tries the passwords the user keeps on an encrypted entry, the one that opened the last
// entry first: most archives have one password for all their entries.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

#include "Cipher.h"
#include "EntryDecryptor.h"
#include "PasswordList.h"

namespace sevenzip32 {

// What an encrypted entry's own bytes say of its lock.
struct EntryLock {
    Cipher cipher = Cipher::None;
    std::array<uint8_t, kLongestCipherHeader> header{};  // of CipherHeaderSize(cipher) bytes
    // The traditional cipher's check byte is one of these.
    uint8_t crcCheck = 0;
    uint8_t timeCheck = 0;

    std::span<const uint8_t> Header() const { return {header.data(), CipherHeaderSize(cipher)}; }
};

class EntryUnlocker {
  public:
    explicit EntryUnlocker(const PasswordList& passwords) : passwords_(passwords) {}

    // Calls attempt with a decryptor for each password that passes the entry's own check,
    // until one attempt returns. An attempt that fails for a reason in the archive lets
    // the next password try, since a wrong one passes the traditional cipher's check once
    // in 256 times and only the entry's CRC then tells; a failure from outside ends the
    // trying. Throws the failure of the last attempt that was cut short by an altered
    // entry, or else that no listed password opens it. Safe on several threads at once.
    void Unlock(const EntryLock& lock, const std::function<void(EntryDecryptor&)>& attempt);

  private:
    const PasswordList& passwords_;
    std::atomic<size_t> lastOpened_{0};
};

}  // namespace sevenzip32
