#include "MethodDecoder.h"

namespace sevenzip32 {

std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method) {
    switch (method) {
        case kMethodDeflate:
            return MakeDeflateDecoder();
        case kMethodBzip2:
            return MakeBzip2Decoder();
        default:
            return nullptr;
    }
}

bool IsMethodSupported(uint16_t method) {
    return method == kMethodStored || method == kMethodDeflate || method == kMethodBzip2;
}

}  // namespace sevenzip32
