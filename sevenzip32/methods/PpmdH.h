// PPMd variant H, as 7z stores it: each byte predicted by the longest context of up to
// the model's order that has seen it, escaping to shorter ones, over 7z's range decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "ByteStream.h"

namespace sevenzip32 {

// The decoder over below, from the coder's five property bytes (the order, then the
// model's memory in bytes, little-endian); outputSize is what the coder declares it
// makes. Fails as needing too much memory where the model would take more than most bytes.
std::unique_ptr<ByteStream> MakePpmdHStream(std::span<const uint8_t> properties, ByteStream& below,
                                            uint64_t outputSize, uint64_t mostMemory);

}  // namespace sevenzip32
