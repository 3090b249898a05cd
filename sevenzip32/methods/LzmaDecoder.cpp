// LZMA (method 14) and xz (method 95), through liblzma.
#include <lzma.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "EntryFailure.h"
#include "LittleEndian.h"
#include "MethodDecoder.h"

namespace sevenzip32 {
namespace {

// What both share: one liblzma stream, begun anew for each entry.
class LzmaStream {
  public:
    ~LzmaStream() { lzma_end(&stream_); }

    void End() {
        lzma_end(&stream_);
        stream_ = LZMA_STREAM_INIT;
    }
    lzma_stream& Get() { return stream_; }

    MethodDecoder::Step Code(std::span<const uint8_t> input, std::span<uint8_t> output,
                             lzma_action action = LZMA_RUN) {
        stream_.next_in = input.data();
        stream_.avail_in = input.size();
        stream_.next_out = output.data();
        stream_.avail_out = output.size();
        const lzma_ret result = lzma_code(&stream_, action);
        if (result == LZMA_MEMLIMIT_ERROR) {
            throw EntryFailure(Reason::kNeedsTooMuchMemory);
        }
        if (result != LZMA_OK && result != LZMA_STREAM_END) {
            throw EntryFailure(Reason::kLzmaDamaged);
        }
        return {input.size() - stream_.avail_in, output.size() - stream_.avail_out,
                result == LZMA_STREAM_END};
    }

  private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

// The entry's data begins with a header of its own, the coder's version (2 bytes) and
// its properties' size (2 bytes) and properties (5 bytes); then raw LZMA data that ends
// with the declared size or with an end marker.
class LzmaDecoder : public MethodDecoder {
  public:
    void Reset(uint64_t declaredSize) override {
        stream_.End();
        header_.clear();
        declaredSize_ = declaredSize;
        started_ = false;
    }

    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        size_t taken = 0;
        if (!started_) {
            while (header_.size() < kHeaderSize && taken < input.size()) {
                header_.push_back(input[taken++]);
            }
            if (header_.size() < kHeaderSize) {
                return {taken, 0, false};
            }
            Start();
        }
        Step step = stream_.Code(input.subspan(taken), output);
        step.consumed += taken;
        return step;
    }

  private:
    static constexpr size_t kHeaderSize = 9;
    static constexpr size_t kPropertiesSize = 5;

    void Start() {
        if (ReadU16(header_.data() + 2) != kPropertiesSize) {
            throw EntryFailure(Reason::kLzmaHeaderDamaged);
        }
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_properties_decode(&filters[0], nullptr, header_.data() + 4, kPropertiesSize) !=
            LZMA_OK) {
            throw EntryFailure(Reason::kLzmaHeaderDamaged);
        }
        options_.reset(static_cast<lzma_options_lzma*>(filters[0].options));
        if (options_->dict_size > kMostDecoderMemory) {
            throw EntryFailure(Reason::kNeedsTooMuchMemory);
        }
        // The declared size ends the data unless an end marker comes first.
        filters[0].id = LZMA_FILTER_LZMA1EXT;
        options_->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
        options_->ext_size_low = static_cast<uint32_t>(declaredSize_);
        options_->ext_size_high = static_cast<uint32_t>(declaredSize_ >> 32);
        if (lzma_raw_decoder(&stream_.Get(), filters) != LZMA_OK) {
            throw EntryFailure(Reason::kCannotStartLzma);
        }
        started_ = true;
    }

    struct Free {
        void operator()(void* pointer) const { std::free(pointer); }
    };

    LzmaStream stream_;
    std::vector<uint8_t> header_;
    std::unique_ptr<lzma_options_lzma, Free> options_;
    uint64_t declaredSize_ = 0;
    bool started_ = false;
};

// Whole .xz streams, with their own integrity checks: one or several, with stream
// padding between them, as the format allows.
class XzDecoder : public MethodDecoder {
  public:
    void Reset(uint64_t /*declaredSize*/) override {
        stream_.End();
        if (lzma_stream_decoder(&stream_.Get(), kMostDecoderMemory, LZMA_CONCATENATED) != LZMA_OK) {
            throw EntryFailure(Reason::kCannotStartXz);
        }
    }

    // Only the end of the input tells whether another stream follows.
    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        return stream_.Code(input, output, input.empty() ? LZMA_FINISH : LZMA_RUN);
    }

  private:
    LzmaStream stream_;
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeLzmaDecoder() {
    return std::make_unique<LzmaDecoder>();
}

std::unique_ptr<MethodDecoder> MakeXzDecoder() {
    return std::make_unique<XzDecoder>();
}

}  // namespace sevenzip32
