#include "MethodDecoder.h"

#include <algorithm>
#include <iterator>

namespace sevenzip32 {
namespace {

struct KnownMethod {
    uint16_t method;
    std::unique_ptr<MethodDecoder> (*make)();
};

constexpr KnownMethod kKnownMethods[] = {
    {kMethodDeflate, MakeDeflateDecoder}, {kMethodDeflate64, MakeDeflate64Decoder},
    {kMethodBzip2, MakeBzip2Decoder},     {kMethodLzma, MakeLzmaDecoder},
    {kMethodXz, MakeXzDecoder},           {kMethodZstandard, MakeZstandardDecoder},
};

const KnownMethod* Find(uint16_t method) {
    const auto known =
        std::find_if(std::begin(kKnownMethods), std::end(kKnownMethods),
                     [&](const KnownMethod& entry) { return entry.method == method; });
    return known == std::end(kKnownMethods) ? nullptr : known;
}

}  // namespace

std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method) {
    const KnownMethod* known = Find(method);
    return known == nullptr ? nullptr : known->make();
}

bool IsMethodSupported(uint16_t method) {
    return method == kMethodStored || Find(method) != nullptr;
}

}  // namespace sevenzip32
