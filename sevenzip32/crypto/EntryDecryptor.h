// One entry's bytes decrypted as they are read, whatever pieces they come in.
#pragma once

#include <cstdint>
#include <span>

namespace sevenzip32 {

class EntryDecryptor {
  public:
    virtual ~EntryDecryptor() = default;
    // Decrypts the next bytes of the entry's data from input into output, of the same size.
    virtual void Decrypt(std::span<const uint8_t> input, std::span<uint8_t> output) = 0;
    // Checks what follows the data once all of it was decrypted; throws EntryFailure
    // when it shows the data altered.
    virtual void Finish(std::span<const uint8_t> trailer) = 0;
};

}  // namespace sevenzip32
