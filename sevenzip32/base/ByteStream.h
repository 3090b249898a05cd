// Bytes pulled a buffer at a time: each coder of a 7z folder reads the one below it, down
// to the packed bytes in the archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sevenzip32 {

class ByteStream {
  public:
    virtual ~ByteStream() = default;
    // Fills the front of into with the next bytes and says how many; 0 once the stream
    // has ended. Throws EntryFailure where its bytes do not decode.
    virtual size_t Read(std::span<uint8_t> into) = 0;
};

}  // namespace sevenzip32
