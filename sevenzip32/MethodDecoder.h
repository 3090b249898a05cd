// One compression method behind one small streaming interface: compressed bytes in,
// produced bytes out, in buffers of the caller's, with memory bounded by the method.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace sevenzip32 {

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kMethodBzip2 = 12;

class MethodDecoder {
  public:
    struct Step {
        size_t consumed = 0;
        size_t produced = 0;
        bool finished = false;  // the stream's own end was reached
    };

    virtual ~MethodDecoder() = default;
    // Makes the decoder ready for a new entry.
    virtual void Reset() = 0;
    // Decodes what it can of input into output; throws EntryFailure on damaged data.
    virtual Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) = 0;
};

// Nothing when the method is one this library does not decode. Stored entries need no decoder.
std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method);

bool IsMethodSupported(uint16_t method);

std::unique_ptr<MethodDecoder> MakeDeflateDecoder();
std::unique_ptr<MethodDecoder> MakeBzip2Decoder();

}  // namespace sevenzip32
