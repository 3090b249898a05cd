// The coders of a 7z folder as streams, each reading the one below it. liblzma decodes
// LZMA and LZMA2 with the filters over them (the branch converters and Delta) in one
// chain; the library's own methods (Deflate, Deflate64, bzip2), BCJ2 over its four
// streams, and plain copying stand alone. Which coder an id names, and its name for a refusal,
// stand here too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ByteStream.h"

namespace sevenzip32 {

enum class CoderKind : uint8_t {
    Copy,
    Lzma,
    Lzma2,
    Filter,
    Deflate,
    Deflate64,
    Bzip2,
    Bcj2,
    Ppmd,
    Aes,
    Unknown
};

struct CoderType {
    CoderKind kind = CoderKind::Unknown;
    uint64_t lzmaFilter = 0;  // liblzma's id, for LZMA, LZMA2 and the filters
    std::string name;         // as a refusal says it
};

// What the coder of this 7z id is.
CoderType CoderOfId(std::span<const uint8_t> id);

// One coder of a chain that liblzma decodes: its filter's id and 7z properties.
struct LzmaChainCoder {
    uint64_t filter = 0;
    std::vector<uint8_t> properties;
};

// liblzma's decoder of the chain, outermost first, whose last is LZMA or LZMA2, over
// below. Fails as needing too much memory where the chain would take more than most bytes.
std::unique_ptr<ByteStream> MakeLzmaChainStream(const std::vector<LzmaChainCoder>& chain,
                                                ByteStream& below, uint64_t mostMemory);

// One of the library's own methods (Deflate, Deflate64, bzip2) over below; outputSize is
// what the coder declares it makes.
std::unique_ptr<ByteStream> MakeMethodStream(CoderKind kind, ByteStream& below,
                                             uint64_t outputSize);

// BCJ2's x86 converter over its four streams: the code, the calls' and the jumps'
// addresses, and the range-coded choices of which branches were converted.
std::unique_ptr<ByteStream> MakeBcj2Stream(ByteStream& code, ByteStream& calls, ByteStream& jumps,
                                           ByteStream& choices);

}  // namespace sevenzip32
