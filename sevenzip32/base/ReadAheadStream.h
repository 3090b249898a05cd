// A stream decoded on a thread of its own, a few buffers ahead of its reader: where one
// folder of a 7z is all there is to do, decoding the next megabyte and writing the files of
// the last one overlap.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "ByteStream.h"

namespace sevenzip32 {

class ReadAheadStream : public ByteStream {
  public:
    // below must outlive this stream. Throws std::system_error when no thread can be had.
    explicit ReadAheadStream(ByteStream& below);
    // Stops the thread; what was decoded and not read is dropped.
    ~ReadAheadStream() override;
    ReadAheadStream(const ReadAheadStream&) = delete;
    ReadAheadStream& operator=(const ReadAheadStream&) = delete;

    // Throws what below threw, once the bytes before it are read.
    size_t Read(std::span<uint8_t> into) override;

  private:
    using Buffer = std::vector<uint8_t>;

    void DecodeAhead();

    ByteStream& below_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Buffer> full_;  // in order; an empty one marks the end
    std::vector<Buffer> free_;
    Buffer reading_;
    size_t readingAt_ = 0;
    std::exception_ptr failure_;  // below's, after the bytes in full_
    bool ended_ = false;
    bool stopping_ = false;
    std::jthread thread_;
};

}  // namespace sevenzip32
