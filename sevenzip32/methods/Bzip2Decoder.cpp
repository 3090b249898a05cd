// bzip2, through libbz2: one stream or several one after the other, as parallel
// compressors write them.
#include <bzlib.h>

#include "EntryFailure.h"
#include "MethodDecoder.h"

namespace sevenzip32 {
namespace {

class Bzip2Decoder : public MethodDecoder {
  public:
    Bzip2Decoder() { Start(); }
    ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&stream_); }

    void Reset(uint64_t /*declaredSize*/) override {
        BZ2_bzDecompressEnd(&stream_);
        Start();
    }

    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        if (input.empty() && betweenStreams_) {
            return {0, 0, true};
        }
        stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
        stream_.avail_in = static_cast<unsigned>(input.size());
        stream_.next_out = reinterpret_cast<char*>(output.data());
        stream_.avail_out = static_cast<unsigned>(output.size());
        for (;;) {
            if (betweenStreams_) {
                // Another stream follows: a decoder of its own, on the same buffers.
                const bz_stream buffers = stream_;
                BZ2_bzDecompressEnd(&stream_);
                Start();
                stream_.next_in = buffers.next_in;
                stream_.avail_in = buffers.avail_in;
                stream_.next_out = buffers.next_out;
                stream_.avail_out = buffers.avail_out;
            }
            const int result = BZ2_bzDecompress(&stream_);
            if (result != BZ_OK && result != BZ_STREAM_END) {
                throw EntryFailure(Reason::kBzip2Damaged);
            }
            betweenStreams_ = result == BZ_STREAM_END;
            if (!betweenStreams_ || stream_.avail_in == 0) {
                break;
            }
        }
        return {input.size() - stream_.avail_in, output.size() - stream_.avail_out, false};
    }

  private:
    void Start() {
        stream_ = {};
        betweenStreams_ = false;
        if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
            throw EntryFailure(Reason::kCannotStartBzip2);
        }
    }

    bz_stream stream_{};
    bool betweenStreams_ = false;  // the last stream begun is complete
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeBzip2Decoder() {
    return std::make_unique<Bzip2Decoder>();
}

}  // namespace sevenzip32
