// One compression method behind one small streaming interface: compressed bytes in,
// produced bytes out, in buffers of the caller's, with memory bounded by the method.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace sevenzip32 {

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kMethodDeflate64 = 9;
constexpr uint16_t kMethodBzip2 = 12;
constexpr uint16_t kMethodLzma = 14;
constexpr uint16_t kMethodZstandard = 93;
constexpr uint16_t kMethodXz = 95;

// No method may take more memory than this for one entry.
constexpr uint64_t kMostDecoderMemory = 256ull * 1024 * 1024;

class MethodDecoder {
  public:
    struct Step {
        size_t consumed = 0;
        size_t produced = 0;
        bool finished = false;  // the stream's own end was reached
    };

    virtual ~MethodDecoder() = default;
    // Makes the decoder ready for a new entry of declaredSize bytes, which some methods
    // need to know where their data ends.
    virtual void Reset(uint64_t declaredSize) = 0;
    // Decodes what it can of input into output; throws EntryFailure on damaged data. An
    // empty input says the compressed data has ended: formats whose data may hold several
    // streams or frames (bzip2, xz, Zstandard) finish only then, at a stream's end.
    virtual Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) = 0;
};

// Nothing when the method is one this library does not decode. Stored entries need no decoder.
std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method);

bool IsMethodSupported(uint16_t method);

std::unique_ptr<MethodDecoder> MakeDeflateDecoder();
std::unique_ptr<MethodDecoder> MakeDeflate64Decoder();
std::unique_ptr<MethodDecoder> MakeBzip2Decoder();
std::unique_ptr<MethodDecoder> MakeLzmaDecoder();
std::unique_ptr<MethodDecoder> MakeXzDecoder();
std::unique_ptr<MethodDecoder> MakeZstandardDecoder();

}  // namespace sevenzip32
