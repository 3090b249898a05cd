#include "ReadAheadStream.h"

#include <algorithm>
#include <cstring>

namespace sevenzip32 {

namespace {
constexpr size_t kBufferSize = 1024 * 1024;
constexpr size_t kBufferCount = 4;
}  // namespace

ReadAheadStream::ReadAheadStream(ByteStream& below) : below_(below) {
    for (size_t i = 0; i < kBufferCount; ++i) {
        free_.emplace_back(kBufferSize);
    }
    thread_ = std::jthread([this] { DecodeAhead(); });
}

ReadAheadStream::~ReadAheadStream() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

size_t ReadAheadStream::Read(std::span<uint8_t> into) {
    if (readingAt_ == reading_.size()) {
        std::unique_lock lock(mutex_);
        if (!reading_.empty()) {
            free_.push_back(std::move(reading_));
            reading_.clear();
            readingAt_ = 0;
            changed_.notify_all();
        }
        changed_.wait(lock, [&] { return !full_.empty() || failure_ || ended_; });
        if (full_.empty()) {
            if (failure_) {
                std::rethrow_exception(failure_);
            }
            return 0;
        }
        reading_ = std::move(full_.front());
        full_.pop_front();
        readingAt_ = 0;
    }
    const size_t count = std::min(into.size(), reading_.size() - readingAt_);
    std::memcpy(into.data(), reading_.data() + readingAt_, count);
    readingAt_ += count;
    return count;
}

void ReadAheadStream::DecodeAhead() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !free_.empty(); });
        if (stopping_) {
            return;
        }
        Buffer buffer = std::move(free_.back());
        free_.pop_back();
        lock.unlock();
        buffer.resize(kBufferSize);
        size_t filled = 0;
        std::exception_ptr failure;
        try {
            for (size_t read = 1; read != 0 && filled < buffer.size();) {
                read = below_.Read(std::span(buffer).subspan(filled));
                filled += read;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        buffer.resize(filled);
        lock.lock();
        const bool ended = filled < kBufferSize;
        if (filled > 0) {
            full_.push_back(std::move(buffer));
        }
        changed_.notify_all();
        if (failure || ended) {
            failure_ = failure;
            ended_ = true;
            return;
        }
    }
}

}  // namespace sevenzip32
