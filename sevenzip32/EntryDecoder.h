// Streams one entry's bytes, counting what is produced and checking it against the
// declared size and CRC-32: headers are never trusted for sizes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "ArchiveFile.h"
#include "CentralDirectory.h"
#include "EntryDecryptor.h"
#include "EntryUnlocker.h"
#include "MethodDecoder.h"
#include "ReadWindow.h"

namespace sevenzip32 {

using ChunkSink = std::function<void(std::span<const uint8_t>)>;
class CheckedSink;

// One per thread: holds the buffers and the methods' decoders between entries.
class EntryDecoder {
  public:
    EntryDecoder() = default;
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    // Feeds the entry's bytes to sink and throws EntryFailure when they are more or
    // fewer than declared, fail their CRC-32, do not decode, or leave compressed bytes over.
    // An encrypted entry's bytes go through decryptor first, and what follows them is
    // checked before the call returns.
    void Decode(const ArchiveFile& file, const CentralRecord& record, const ChunkSink& sink,
                EntryDecryptor* decryptor = nullptr);

    // What an encrypted entry's own bytes say of its lock.
    EntryLock LockOf(const ArchiveFile& file, const CentralRecord& record);

  private:
    // The entry's data within the archive, without its cipher's header and trailer.
    struct Data {
        uint64_t offset = 0;
        uint64_t size = 0;
    };

    static Data DataOf(const CentralRecord& record);
    void ReadStored(const ArchiveFile& file, Data data, CheckedSink& checked);
    void ReadCompressed(const ArchiveFile& file, const CentralRecord& record, Data data,
                        CheckedSink& checked);
    MethodDecoder& DecoderFor(const CentralRecord& record);
    std::span<const uint8_t> NextChunk(const ArchiveFile& file, uint64_t offset, uint64_t left);
    std::span<const uint8_t> ReadAt(const ArchiveFile& file, uint64_t offset, uint64_t length);

    static constexpr uint64_t kReadWithNeighboursUpTo = 8 * 1024;

    std::optional<ReadWindow> window_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
    std::vector<uint8_t> decrypted_;
    EntryDecryptor* decryptor_ = nullptr;  // of the entry being decoded
    std::map<uint16_t, std::unique_ptr<MethodDecoder>> decoders_;
};

}  // namespace sevenzip32
