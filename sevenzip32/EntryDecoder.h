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
#include "EntryBytes.h"
#include "EntrySource.h"
#include "EntryUnlocker.h"
#include "MethodDecoder.h"
#include "ReadWindow.h"

namespace sevenzip32 {

class CheckedSink;

// One per thread: holds the buffers and the methods' decoders between entries.
class EntryDecoder {
  public:
    EntryDecoder() = default;
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    // Feeds the entry's bytes to sink and throws EntryFailure when they are more or
    // fewer than declared, fail their CRC-32, do not decode, or leave compressed bytes over.
    // An encrypted entry's bytes come decrypted (from Unlock's attempt), and what closes
    // them is checked before the call returns.
    void Decode(const ArchiveFile& file, const CentralRecord& record, const ChunkSink& sink,
                EntryBytes* decrypted = nullptr);

    // Calls attempt with the encrypted entry's bytes decrypted, with each password that
    // may open it, until one attempt returns; as EntryUnlocker::Unlock.
    void Unlock(const ArchiveFile& file, const CentralRecord& record, EntryUnlocker& unlocker,
                const std::function<void(EntryBytes&)>& attempt);

  private:
    friend class StoredBytes;

    std::unique_ptr<EntryBytes> Stored(const ArchiveFile& file, const CentralRecord& record);
    void ReadStored(EntryBytes& bytes, CheckedSink& checked);
    void ReadCompressed(EntryBytes& bytes, const CentralRecord& record, CheckedSink& checked);
    MethodDecoder& DecoderFor(const CentralRecord& record);
    std::span<const uint8_t> ReadAt(const ArchiveFile& file, uint64_t offset, uint64_t length);
    void TakeBuffers();

    static constexpr uint64_t kReadWithNeighboursUpTo = 8 * 1024;

    std::optional<ReadWindow> window_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
    std::vector<uint8_t> decrypted_;
    std::map<uint16_t, std::unique_ptr<MethodDecoder>> decoders_;
};

}  // namespace sevenzip32
