// Writes a large entry's bytes to its file on a thread of its own, so that decoding
// the next megabyte and copying the last one into the file overlap.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "TemporaryFile.h"

namespace sevenzip32 {

class BackgroundWriter {
  public:
    explicit BackgroundWriter(TemporaryFile& file);
    // Stops the thread; what was not written yet is dropped.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Copies bytes in; throws what a failed write threw.
    void Write(std::span<const uint8_t> bytes);
    // Returns once everything is written; throws what a failed write threw.
    void Finish();

  private:
    using Buffer = std::vector<uint8_t>;

    void HandOver();
    void WriteQueued();

    TemporaryFile& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Buffer> full_;
    std::vector<Buffer> free_;
    Buffer filling_;
    std::exception_ptr failure_;
    bool writing_ = false;
    bool stopping_ = false;
    std::jthread thread_;
};

}  // namespace sevenzip32
