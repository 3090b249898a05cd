// Deflate, through ISA-L's inflater.
#include <isa-l/igzip_lib.h>

#include <optional>

#include "EntryFailure.h"
#include "MethodDecoder.h"
#include "StreamEnd.h"

namespace sevenzip32 {
namespace {

class DeflateDecoder : public MethodDecoder {
  public:
    void Reset(uint64_t declaredSize) override {
        isal_inflate_init(&state_);
        state_.crc_flag = ISAL_DEFLATE;
        declaredSize_ = declaredSize;
        started_ = false;
    }

    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        if (!started_) {
            started_ = true;
            if (auto whole = DecodeAtOnce(input, output)) {
                return *whole;
            }
        }
        state_.next_in = const_cast<uint8_t*>(input.data());
        state_.avail_in = static_cast<uint32_t>(input.size());
        state_.next_out = output.data();
        state_.avail_out = static_cast<uint32_t>(output.size());
        if (isal_inflate(&state_) != ISAL_DECOMP_OK) {
            throw EntryFailure(Reason::kDeflateDamaged);
        }
        const size_t consumed = input.size() - state_.avail_in;
        const size_t produced = output.size() - state_.avail_out;
        if (state_.block_state != ISAL_BLOCK_FINISH) {
            return {consumed, produced, false};
        }
        // The inflater reads ahead into its bit buffer.
        const auto readPastEnd = static_cast<size_t>(state_.read_in_length / 8);
        return {ConsumedUpToStreamEnd(consumed, readPastEnd), produced, true};
    }

  private:
    // A small entry whose whole stream is in the first input, decoded in one go straight
    // into output: the streaming inflater decodes through a buffer of its own and copies,
    // which for a file of a few bytes costs more than the decoding. Nothing when the
    // stream does not end within input and output, or is damaged: the streaming inflater
    // then starts again from the beginning and says why.
    std::optional<Step> DecodeAtOnce(std::span<const uint8_t> input, std::span<uint8_t> output) {
        if (declaredSize_ > output.size() || input.empty()) {
            return std::nullopt;
        }
        state_.next_in = const_cast<uint8_t*>(input.data());
        state_.avail_in = static_cast<uint32_t>(input.size());
        state_.next_out = output.data();
        state_.avail_out = static_cast<uint32_t>(output.size());
        if (isal_inflate_stateless(&state_) == ISAL_DECOMP_OK) {
            return Step{input.size() - state_.avail_in, output.size() - state_.avail_out, true};
        }
        isal_inflate_init(&state_);
        state_.crc_flag = ISAL_DEFLATE;
        return std::nullopt;
    }

    inflate_state state_;
    uint64_t declaredSize_ = 0;
    bool started_ = false;
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeDeflateDecoder() {
    return std::make_unique<DeflateDecoder>();
}

}  // namespace sevenzip32
