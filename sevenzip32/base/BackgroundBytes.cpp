#include "BackgroundBytes.h"

namespace sevenzip32 {

namespace {
constexpr size_t kBufferSize = 1024 * 1024;
constexpr size_t kBufferCount = 3;
}  // namespace

BackgroundBytes::BackgroundBytes(Consumer consume) : consume_(std::move(consume)) {
    for (size_t i = 0; i < kBufferCount; ++i) {
        free_.emplace_back().reserve(kBufferSize);
    }
    filling_ = std::move(free_.back());
    free_.pop_back();
    thread_ = std::jthread([this] { ConsumeQueued(); });
}

BackgroundBytes::~BackgroundBytes() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

void BackgroundBytes::Write(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const size_t room = kBufferSize - filling_.size();
        const size_t taken = std::min(room, bytes.size());
        filling_.insert(filling_.end(), bytes.begin(), bytes.begin() + taken);
        bytes = bytes.subspan(taken);
        if (filling_.size() == kBufferSize) {
            HandOver();
        }
    }
}

void BackgroundBytes::Finish() {
    if (!filling_.empty()) {
        HandOver();
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failure_ || (full_.empty() && !consuming_); });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void BackgroundBytes::HandOver() {
    std::unique_lock lock(mutex_);
    full_.push_back(std::move(filling_));
    changed_.notify_all();
    changed_.wait(lock, [&] { return failure_ || !free_.empty(); });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    filling_ = std::move(free_.back());
    free_.pop_back();
    filling_.clear();
}

void BackgroundBytes::ConsumeQueued() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !full_.empty(); });
        if (stopping_ || failure_) {
            return;
        }
        Buffer buffer = std::move(full_.front());
        full_.pop_front();
        consuming_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            consume_(buffer);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        consuming_ = false;
        failure_ = failure;
        free_.push_back(std::move(buffer));
        changed_.notify_all();
    }
}

}  // namespace sevenzip32
