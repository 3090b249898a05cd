// bzip2, through libbz2.
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
        stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
        stream_.avail_in = static_cast<unsigned>(input.size());
        stream_.next_out = reinterpret_cast<char*>(output.data());
        stream_.avail_out = static_cast<unsigned>(output.size());
        const int result = BZ2_bzDecompress(&stream_);
        if (result != BZ_OK && result != BZ_STREAM_END) {
            throw EntryFailure("the bzip2 data is damaged");
        }
        return {input.size() - stream_.avail_in, output.size() - stream_.avail_out,
                result == BZ_STREAM_END};
    }

  private:
    void Start() {
        stream_ = {};
        if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
            throw EntryFailure("cannot start the bzip2 decoder");
        }
    }

    bz_stream stream_{};
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeBzip2Decoder() {
    return std::make_unique<Bzip2Decoder>();
}

}  // namespace sevenzip32
