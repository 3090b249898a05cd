// Zstandard (method 93), through libzstd: one frame or several (as parallel compressors
// write them), skippable frames among them.
#include <zstd.h>

#include "EntryFailure.h"
#include "MethodDecoder.h"

namespace sevenzip32 {
namespace {

// A window of 2^27 bytes, 128 MiB, is the most a frame may ask for.
constexpr int kLargestWindowLog = 27;

class ZstandardDecoder : public MethodDecoder {
  public:
    ZstandardDecoder() : context_(ZSTD_createDCtx()) {
        if (context_ == nullptr || ZSTD_isError(ZSTD_DCtx_setParameter(
                                       context_, ZSTD_d_windowLogMax, kLargestWindowLog))) {
            ZSTD_freeDCtx(context_);
            throw EntryFailure(Reason::kCannotStartZstandard);
        }
    }
    ~ZstandardDecoder() override { ZSTD_freeDCtx(context_); }
    ZstandardDecoder(const ZstandardDecoder&) = delete;
    ZstandardDecoder& operator=(const ZstandardDecoder&) = delete;

    void Reset(uint64_t /*declaredSize*/) override {
        ZSTD_DCtx_reset(context_, ZSTD_reset_session_only);
        betweenFrames_ = false;
    }

    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        if (input.empty() && betweenFrames_) {
            return {0, 0, true};
        }
        ZSTD_inBuffer in{input.data(), input.size(), 0};
        ZSTD_outBuffer out{output.data(), output.size(), 0};
        // A call stops at the end of a frame; the next frame follows in the same input.
        for (size_t before = SIZE_MAX; in.pos != before && out.pos < out.size;) {
            before = in.pos;
            const size_t result = ZSTD_decompressStream(context_, &out, &in);
            if (ZSTD_isError(result)) {
                throw EntryFailure(Reason::kZstandardDamaged, ZSTD_getErrorName(result));
            }
            betweenFrames_ = result == 0;
            if (in.pos == in.size) {
                break;
            }
        }
        return {in.pos, out.pos, false};
    }

  private:
    ZSTD_DCtx* context_;
    bool betweenFrames_ = false;  // the last frame begun is complete
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeZstandardDecoder() {
    return std::make_unique<ZstandardDecoder>();
}

}  // namespace sevenzip32
