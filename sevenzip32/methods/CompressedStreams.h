// A whole compressed file as a stream of what it holds, for a tarball: gzip through ISA-L's
// inflater (its members one after another, each checked by its CRC), xz through liblzma's
// decoder (its threaded one was no faster on two cores, at five times the memory), bzip2
// and Zstandard through the library's decoders of those methods. A file that ends within a
// member, a stream or a frame fails as data that ends early.
#pragma once

#include <cstdint>
#include <memory>

#include "ByteStream.h"

namespace sevenzip32 {

std::unique_ptr<ByteStream> MakeGzipStream(ByteStream& below);
std::unique_ptr<ByteStream> MakeXzStream(ByteStream& below);
std::unique_ptr<ByteStream> MakeBzip2Stream(ByteStream& below);
std::unique_ptr<ByteStream> MakeZstandardStream(ByteStream& below);

}  // namespace sevenzip32
