#include "MethodDecoder.h"

namespace sevenzip32 {

std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method) {
    switch (method) {
        case kMethodDeflate:
            return MakeDeflateDecoder();
        case kMethodDeflate64:
            return MakeDeflate64Decoder();
        case kMethodBzip2:
            return MakeBzip2Decoder();
        case kMethodLzma:
            return MakeLzmaDecoder();
        case kMethodXz:
            return MakeXzDecoder();
        case kMethodZstandard:
            return MakeZstandardDecoder();
        default:
            return nullptr;
    }
}

bool IsMethodSupported(uint16_t method) {
    switch (method) {
        case kMethodStored:
        case kMethodDeflate:
        case kMethodDeflate64:
        case kMethodBzip2:
        case kMethodLzma:
        case kMethodXz:
        case kMethodZstandard:
            return true;
        default:
            return false;
    }
}

}  // namespace sevenzip32
