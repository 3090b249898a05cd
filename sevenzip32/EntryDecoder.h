// Streams one entry's bytes, counting what is produced and checking it against the
// declared size and CRC-32: headers are never trusted for sizes.
#pragma once

#include <zip.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "ArchiveFile.h"
#include "CentralDirectory.h"

namespace sevenzip32 {

struct InflaterState;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;

using ChunkSink = std::function<void(std::span<const uint8_t>)>;

// True when the method is one this library decodes; stored and deflate are read
// straight from the file, others through libzip on the calling thread.
bool IsMethodSupported(uint16_t method);
bool IsMethodReadDirectly(uint16_t method);

// One per thread: holds the buffers and the inflater's state between entries.
class EntryDecoder {
  public:
    EntryDecoder();
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    // Feeds the entry's bytes to sink and throws EntryFailure when they are more or
    // fewer than declared, fail their CRC-32, or do not decode. archive is needed only
    // for methods that are not read directly.
    void Decode(const ArchiveFile& file, zip_t* archive, size_t index, const CentralRecord& record,
                const ChunkSink& sink);

  private:
    void ReadStored(const ArchiveFile& file, const CentralRecord& record, const ChunkSink& sink);
    void ReadDeflated(const ArchiveFile& file, const CentralRecord& record, const ChunkSink& sink);
    void ReadThroughLibzip(zip_t* archive, size_t index, const CentralRecord& record,
                           const ChunkSink& sink);

    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
    std::unique_ptr<InflaterState> inflater_;
};

}  // namespace sevenzip32
