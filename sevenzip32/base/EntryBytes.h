// An entry's bytes, as the archive stores them or as a cipher over those makes them, read
// in order a chunk at a time: the archive's window at the bottom, then the cipher where
// the entry has one, each a range over the one below. The method is not one of them: the
// decoder takes these bytes and pushes what it makes into the entry's sink.
#pragma once

#include <cstdint>
#include <span>

namespace sevenzip32 {

class EntryBytes {
  public:
    virtual ~EntryBytes() = default;
    // At most the next most bytes, fewer only where the range ends or a chunk does;
    // valid until the next call. Empty once none are left.
    virtual std::span<const uint8_t> Next(uint64_t most) = 0;
    virtual uint64_t Left() const = 0;
    // Once all were read: checks what closes them, and throws EntryFailure where that
    // shows them altered.
    virtual void Finish() {}
};

}  // namespace sevenzip32
