// An encrypted entry's data, decrypted as it is read from the bytes the archive stores:
// the cipher reads its own header before the data and checks the password against it,
// and once the data is through, reads and checks its own trailer (AES's authentication
// code).
#pragma once

#include <memory>
#include <span>

#include "Cipher.h"
#include "EntryBytes.h"
#include "EntryDecryptor.h"

namespace sevenzip32 {

// What the entry says of its lock beyond its own bytes: the traditional cipher's check
// byte is one of these.
struct EntryLock {
    Cipher cipher = Cipher::None;
    uint8_t crcCheck = 0;   // the CRC's high byte
    uint8_t timeCheck = 0;  // that of the local header's modification time
};

// Throws EntryFailure where the entry's stored bytes cannot hold its cipher's header and
// trailer.
void CheckRoomForCipher(Cipher cipher, uint64_t storedSize);

class DecryptingBytes : public EntryBytes {
  public:
    // Reads the cipher's header from stored, which it then reads on from; nothing when
    // password does not pass the header's check. The decrypted bytes are put in room.
    static std::unique_ptr<DecryptingBytes> Open(EntryBytes& stored, const EntryLock& lock,
                                                 std::span<const uint8_t> password,
                                                 std::span<uint8_t> room);

    std::span<const uint8_t> Next(uint64_t most) override;
    uint64_t Left() const override;
    void Finish() override;

  private:
    DecryptingBytes(EntryBytes& stored, std::unique_ptr<EntryDecryptor> cipher, size_t trailer,
                    std::span<uint8_t> room)
        : stored_(stored), cipher_(std::move(cipher)), trailer_(trailer), room_(room) {}

    EntryBytes& stored_;
    std::unique_ptr<EntryDecryptor> cipher_;
    const size_t trailer_;
    std::span<uint8_t> room_;
};

}  // namespace sevenzip32
