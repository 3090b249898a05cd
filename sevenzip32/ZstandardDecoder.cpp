// Zstandard (method 93), through libzstd: one frame per entry.
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
            throw EntryFailure("cannot start the Zstandard decoder");
        }
    }
    ~ZstandardDecoder() override { ZSTD_freeDCtx(context_); }
    ZstandardDecoder(const ZstandardDecoder&) = delete;
    ZstandardDecoder& operator=(const ZstandardDecoder&) = delete;

    void Reset(uint64_t /*declaredSize*/) override {
        ZSTD_DCtx_reset(context_, ZSTD_reset_session_only);
    }

    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        ZSTD_inBuffer in{input.data(), input.size(), 0};
        ZSTD_outBuffer out{output.data(), output.size(), 0};
        const size_t result = ZSTD_decompressStream(context_, &out, &in);
        if (ZSTD_isError(result)) {
            throw EntryFailure(std::string("the Zstandard data is damaged: ") +
                               ZSTD_getErrorName(result));
        }
        return {in.pos, out.pos, result == 0};
    }

  private:
    ZSTD_DCtx* context_;
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeZstandardDecoder() {
    return std::make_unique<ZstandardDecoder>();
}

}  // namespace sevenzip32
