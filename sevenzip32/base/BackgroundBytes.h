// Hands a large entry's bytes to a consumer on a thread of its own (the file they are
// written to, the code that authenticates them), so that decoding the next megabyte and
// consuming the last one overlap.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace sevenzip32 {

class BackgroundBytes {
  public:
    using Consumer = std::function<void(std::span<const uint8_t>)>;

    // Throws std::system_error when no thread can be had.
    explicit BackgroundBytes(Consumer consume);
    // Stops the thread; what was not consumed yet is dropped.
    ~BackgroundBytes();
    BackgroundBytes(const BackgroundBytes&) = delete;
    BackgroundBytes& operator=(const BackgroundBytes&) = delete;

    // Copies bytes in; throws what the consumer threw.
    void Write(std::span<const uint8_t> bytes);
    // Returns once everything is consumed; throws what the consumer threw.
    void Finish();

  private:
    using Buffer = std::vector<uint8_t>;

    void HandOver();
    void ConsumeQueued();

    Consumer consume_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Buffer> full_;
    std::vector<Buffer> free_;
    Buffer filling_;
    std::exception_ptr failure_;
    bool consuming_ = false;
    bool stopping_ = false;
    std::jthread thread_;
};

}  // namespace sevenzip32
