#include "EntryDecoder.h"

#include <algorithm>

#include "Crc32.h"
#include "EntryFailure.h"
#include "LocalHeaders.h"

namespace sevenzip32 {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

}  // namespace

// Wraps the sink with the checks every method shares.
class CheckedSink {
  public:
    CheckedSink(const CentralRecord& record, const ChunkSink& sink)
        : record_(record), sink_(sink) {}

    void Put(std::span<const uint8_t> bytes) {
        if (!record_.sizeMayWrap && bytes.size() > record_.size - produced_) {
            throw EntryFailure(Reason::kMoreBytesThanDeclared);
        }
        produced_ += bytes.size();
        crc_ = UpdateCrc32(crc_, bytes);
        sink_(bytes);
    }

    // An entry whose size may have wrapped produced its size modulo 4 GiB.
    void Finish() const {
        if (produced_ > record_.size && produced_ % kFourGiB == record_.size) {
            return CheckCrc();
        }
        if (produced_ > record_.size) {
            throw EntryFailure(Reason::kMoreBytesThanDeclared);
        }
        if (produced_ != record_.size) {
            throw EntryFailure(Reason::kFewerBytesThanDeclared);
        }
        CheckCrc();
    }

  private:
    void CheckCrc() const {
        if (record_.HasCrc() && crc_ != record_.crc) {
            throw EntryFailure(Reason::kCrcMismatch);
        }
    }

    const CentralRecord& record_;
    const ChunkSink& sink_;
    uint64_t produced_ = 0;
    uint32_t crc_ = 0;
};

// The bytes the archive stores for an entry. A small entry's come with their neighbours'
// through one larger read (archives of many small files are read a window at a time, not
// with a system call per file); a larger entry's in reads of the buffer's size.
class StoredBytes : public EntryBytes {
  public:
    StoredBytes(EntryDecoder& decoder, const ArchiveFile& file, uint64_t offset, uint64_t size)
        : decoder_(decoder), file_(file), offset_(offset), left_(size) {}

    std::span<const uint8_t> Next(uint64_t most) override {
        const uint64_t wanted = std::min(most, left_);
        if (wanted == 0) {
            return {};
        }
        std::span<const uint8_t> chunk;
        if (left_ <= EntryDecoder::kReadWithNeighboursUpTo) {
            chunk = decoder_.ReadAt(file_, offset_, wanted);
        } else {
            std::vector<uint8_t>& input = decoder_.input_;
            const size_t size = static_cast<size_t>(std::min<uint64_t>(wanted, input.size()));
            file_.ReadAt(offset_, {input.data(), size});
            chunk = {input.data(), size};
        }
        offset_ += chunk.size();
        left_ -= chunk.size();
        return chunk;
    }
    uint64_t Left() const override { return left_; }

  private:
    EntryDecoder& decoder_;
    const ArchiveFile& file_;
    uint64_t offset_;
    uint64_t left_;
};

// Taken at the first entry that needs them: a pass that finds everything in place
// decodes nothing.
void EntryDecoder::TakeBuffers() {
    if (input_.empty()) {
        input_.resize(kBufferSize);
        output_.resize(kBufferSize);
    }
}

std::unique_ptr<EntryBytes> EntryDecoder::Stored(const ArchiveFile& file,
                                                 const CentralRecord& record) {
    TakeBuffers();
    return std::make_unique<StoredBytes>(*this, file, record.dataOffset, record.compressedSize);
}

void EntryDecoder::Decode(const ArchiveFile& file, const CentralRecord& record,
                          const ChunkSink& sink, EntryBytes* decrypted) {
    if (record.IsEncrypted() && decrypted == nullptr) {
        throw EntryFailure(Reason::kEncrypted);
    }
    TakeBuffers();
    StoredBytes stored(*this, file, record.dataOffset, record.compressedSize);
    EntryBytes& bytes = decrypted != nullptr ? *decrypted : stored;
    CheckedSink checked(record, sink);
    if (record.method == kMethodStored) {
        ReadStored(bytes, checked);
    } else {
        ReadCompressed(bytes, record, checked);
    }
    bytes.Finish();
    checked.Finish();
}

// The check byte of the traditional cipher is the CRC's high byte, or the local header's.
void EntryDecoder::Unlock(const ArchiveFile& file, const CentralRecord& record,
                          EntryUnlocker& unlocker,
                          const std::function<void(EntryBytes&)>& attempt) {
    EntryLock lock;
    lock.cipher = record.cipher;
    lock.crcCheck = static_cast<uint8_t>(record.crc >> 24);
    lock.timeCheck =
        ParseLocalHeader(ReadAt(file, record.localHeaderOffset, kLocalHeaderSize).data())
            .TimeCheckByte();
    if (decrypted_.empty()) {
        decrypted_.resize(kBufferSize);
    }
    unlocker.Unlock(
        lock, [&] { return Stored(file, record); }, decrypted_, attempt);
}

// A few bytes near the entry, through the window.
std::span<const uint8_t> EntryDecoder::ReadAt(const ArchiveFile& file, uint64_t offset,
                                              uint64_t length) {
    if (!window_ || &window_->File() != &file) {
        window_.emplace(file);
    }
    return window_->At(offset, static_cast<size_t>(length));
}

MethodDecoder& EntryDecoder::DecoderFor(const CentralRecord& record) {
    auto& decoder = decoders_[record.method];
    if (!decoder) {
        decoder = MakeMethodDecoder(record.method);
        if (!decoder) {
            throw EntryFailure(Reason::kUnsupportedMethod, std::to_string(record.method));
        }
    }
    decoder->Reset(record.size);
    return *decoder;
}

void EntryDecoder::ReadStored(EntryBytes& bytes, CheckedSink& checked) {
    while (bytes.Left() > 0) {
        const std::span<const uint8_t> chunk = bytes.Next(bytes.Left());
        if (chunk.empty()) {
            throw EntryFailure(Reason::kDataEndsEarly);
        }
        checked.Put(chunk);
    }
}

// The stream must end exactly where the declared compressed size does: bytes left over
// would be data one reader shows and another does not.
void EntryDecoder::ReadCompressed(EntryBytes& bytes, const CentralRecord& record,
                                  CheckedSink& checked) {
    MethodDecoder& decoder = DecoderFor(record);
    std::span<const uint8_t> pending;
    for (;;) {
        if (pending.empty() && bytes.Left() > 0) {
            pending = bytes.Next(bytes.Left());
        }
        const MethodDecoder::Step step = decoder.Decode(pending, output_);
        pending = pending.subspan(step.consumed);
        checked.Put({output_.data(), step.produced});
        if (step.finished) {
            break;
        }
        if (step.consumed == 0 && step.produced == 0) {
            throw EntryFailure(pending.empty() ? Reason::kDataEndsEarly : Reason::kDataDamaged);
        }
    }
    if (!pending.empty() || bytes.Left() > 0) {
        throw EntryFailure(Reason::kDataEndsBeforeDeclaredSize);
    }
}

}  // namespace sevenzip32
