// Bytes pulled a buffer at a time: each coder of a 7z folder reads the one below it, down
// to the packed bytes in the archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace sevenzip32 {

class ByteStream {
  public:
    virtual ~ByteStream() = default;
    // Fills the front of into with the next bytes and says how many; 0 once the stream
    // has ended. Throws EntryFailure where its bytes do not decode.
    virtual size_t Read(std::span<uint8_t> into) = 0;
};

// Streams each reading the one before it, the last giving the chain's output. They go last
// first, so that none outlives what it reads from: one read ahead on a thread of its own
// stops before the stream below it goes.
class StreamChain {
  public:
    StreamChain() = default;
    StreamChain(StreamChain&&) = default;
    StreamChain& operator=(StreamChain&&) = delete;
    ~StreamChain() {
        while (!streams_.empty()) {
            streams_.pop_back();
        }
    }

    ByteStream& Add(std::unique_ptr<ByteStream> stream) {
        streams_.push_back(std::move(stream));
        return *streams_.back();
    }
    // The last stream's, nothing for an empty chain.
    ByteStream* Output() const { return streams_.empty() ? nullptr : streams_.back().get(); }

  private:
    std::vector<std::unique_ptr<ByteStream>> streams_;
};

}  // namespace sevenzip32
