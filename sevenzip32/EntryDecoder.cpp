#include "EntryDecoder.h"

#include <algorithm>

#include "Crc32.h"
#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

// Wraps the sink with the checks every method shares.
class CheckedSink {
  public:
    CheckedSink(const CentralRecord& record, const ChunkSink& sink)
        : record_(record), sink_(sink) {}

    void Put(std::span<const uint8_t> bytes) {
        if (bytes.size() > record_.size - produced_) {
            throw EntryFailure("the entry produces more bytes than it declares");
        }
        produced_ += bytes.size();
        crc_ = UpdateCrc32(crc_, bytes);
        sink_(bytes);
    }

    void Finish() const {
        if (produced_ != record_.size) {
            throw EntryFailure("the entry produces fewer bytes than it declares");
        }
        if (crc_ != record_.crc) {
            throw EntryFailure("CRC-32 mismatch");
        }
    }

  private:
    const CentralRecord& record_;
    const ChunkSink& sink_;
    uint64_t produced_ = 0;
    uint32_t crc_ = 0;
};

}  // namespace

void EntryDecoder::Decode(const ArchiveFile& file, const CentralRecord& record,
                          const ChunkSink& sink) {
    // Taken at the first entry that needs them: a pass that finds everything in place
    // decodes nothing.
    if (input_.empty()) {
        input_.resize(kBufferSize);
        output_.resize(kBufferSize);
    }
    if (record.method == kMethodStored) {
        ReadStored(file, record, sink);
    } else {
        ReadCompressed(file, record, sink);
    }
}

MethodDecoder& EntryDecoder::DecoderFor(const CentralRecord& record) {
    auto& decoder = decoders_[record.method];
    if (!decoder) {
        decoder = MakeMethodDecoder(record.method);
        if (!decoder) {
            throw EntryFailure("unsupported compression method " + std::to_string(record.method));
        }
    }
    decoder->Reset(record.size);
    return *decoder;
}

// A small entry's bytes come with their neighbours' through one larger read (archives of
// many small files are read a window at a time, not with a system call per file); a
// larger entry's in reads of the buffer's size. Valid until the next call.
std::span<const uint8_t> EntryDecoder::NextChunk(const ArchiveFile& file, uint64_t offset,
                                                 uint64_t left) {
    if (left <= kReadWithNeighboursUpTo) {
        if (!window_ || &window_->File() != &file) {
            window_.emplace(file);
        }
        return window_->At(offset, static_cast<size_t>(left));
    }
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, input_.size()));
    file.ReadAt(offset, {input_.data(), chunk});
    return {input_.data(), chunk};
}

void EntryDecoder::ReadStored(const ArchiveFile& file, const CentralRecord& record,
                              const ChunkSink& sink) {
    CheckedSink checked(record, sink);
    uint64_t offset = record.dataOffset;
    uint64_t left = record.compressedSize;
    while (left > 0) {
        const std::span<const uint8_t> chunk = NextChunk(file, offset, left);
        checked.Put(chunk);
        offset += chunk.size();
        left -= chunk.size();
    }
    checked.Finish();
}

// The stream must end exactly where the declared compressed size does: bytes left over
// would be data one reader shows and another does not.
void EntryDecoder::ReadCompressed(const ArchiveFile& file, const CentralRecord& record,
                                  const ChunkSink& sink) {
    MethodDecoder& decoder = DecoderFor(record);
    CheckedSink checked(record, sink);
    uint64_t offset = record.dataOffset;
    uint64_t left = record.compressedSize;
    std::span<const uint8_t> pending;
    for (;;) {
        if (pending.empty() && left > 0) {
            pending = NextChunk(file, offset, left);
            offset += pending.size();
            left -= pending.size();
        }
        const MethodDecoder::Step step = decoder.Decode(pending, output_);
        pending = pending.subspan(step.consumed);
        checked.Put({output_.data(), step.produced});
        if (step.finished) {
            break;
        }
        if (step.consumed == 0 && step.produced == 0) {
            throw EntryFailure(pending.empty() ? "the compressed data ends early"
                                               : "the compressed data is damaged");
        }
    }
    if (!pending.empty() || left > 0) {
        throw EntryFailure("the compressed data ends before its declared size");
    }
    checked.Finish();
}

}  // namespace sevenzip32
