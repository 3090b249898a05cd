#include "EntryDecoder.h"

#include <algorithm>

#include "Crc32.h"
#include "EntryFailure.h"

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

void EntryDecoder::Decode(const ArchiveFile& file, const CentralRecord& record,
                          const ChunkSink& sink, EntryDecryptor* decryptor) {
    if (record.IsEncrypted() && decryptor == nullptr) {
        throw EntryFailure(Reason::kEncrypted);
    }
    // Taken at the first entry that needs them: a pass that finds everything in place
    // decodes nothing.
    if (input_.empty()) {
        input_.resize(kBufferSize);
        output_.resize(kBufferSize);
    }
    if (decryptor != nullptr && decrypted_.empty()) {
        decrypted_.resize(kBufferSize);
    }
    decryptor_ = decryptor;
    const Data data = DataOf(record);
    CheckedSink checked(record, sink);
    if (record.method == kMethodStored) {
        ReadStored(file, data, checked);
    } else {
        ReadCompressed(file, record, data, checked);
    }
    if (decryptor != nullptr) {
        const size_t trailer = CipherTrailerSize(record.cipher);
        decryptor->Finish(trailer == 0 ? std::span<const uint8_t>()
                                       : ReadAt(file, data.offset + data.size, trailer));
    }
    checked.Finish();
}

EntryDecoder::Data EntryDecoder::DataOf(const CentralRecord& record) {
    const uint64_t header = CipherHeaderSize(record.cipher);
    const uint64_t trailer = CipherTrailerSize(record.cipher);
    if (record.compressedSize < header + trailer) {
        throw EntryFailure(Reason::kCipherHeaderTooShort);
    }
    return {record.dataOffset + header, record.compressedSize - header - trailer};
}

// The cipher's header, read where the entry's data begins; the check byte of the
// traditional cipher is the CRC's high byte, or that of the local header's time.
EntryLock EntryDecoder::LockOf(const ArchiveFile& file, const CentralRecord& record) {
    EntryLock lock;
    lock.cipher = record.cipher;
    const uint64_t header = DataOf(record).offset - record.dataOffset;
    const auto bytes = ReadAt(file, record.dataOffset, header);
    std::copy(bytes.begin(), bytes.end(), lock.header.begin());
    lock.crcCheck = static_cast<uint8_t>(record.crc >> 24);
    lock.timeCheck = ReadAt(file, record.localHeaderOffset + 11, 1)[0];
    return lock;
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

// A small entry's bytes come with their neighbours' through one larger read (archives of
// many small files are read a window at a time, not with a system call per file); a
// larger entry's in reads of the buffer's size. Decrypted when the entry is encrypted.
// Valid until the next call.
std::span<const uint8_t> EntryDecoder::NextChunk(const ArchiveFile& file, uint64_t offset,
                                                 uint64_t left) {
    std::span<const uint8_t> chunk;
    if (left <= kReadWithNeighboursUpTo) {
        chunk = ReadAt(file, offset, left);
    } else {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(left, input_.size()));
        file.ReadAt(offset, {input_.data(), size});
        chunk = {input_.data(), size};
    }
    if (decryptor_ == nullptr) {
        return chunk;
    }
    decryptor_->Decrypt(chunk, {decrypted_.data(), chunk.size()});
    return {decrypted_.data(), chunk.size()};
}

void EntryDecoder::ReadStored(const ArchiveFile& file, Data data, CheckedSink& checked) {
    uint64_t offset = data.offset;
    uint64_t left = data.size;
    while (left > 0) {
        const std::span<const uint8_t> chunk = NextChunk(file, offset, left);
        checked.Put(chunk);
        offset += chunk.size();
        left -= chunk.size();
    }
}

// The stream must end exactly where the declared compressed size does: bytes left over
// would be data one reader shows and another does not.
void EntryDecoder::ReadCompressed(const ArchiveFile& file, const CentralRecord& record, Data data,
                                  CheckedSink& checked) {
    MethodDecoder& decoder = DecoderFor(record);
    uint64_t offset = data.offset;
    uint64_t left = data.size;
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
            throw EntryFailure(pending.empty() ? Reason::kDataEndsEarly : Reason::kDataDamaged);
        }
    }
    if (!pending.empty() || left > 0) {
        throw EntryFailure(Reason::kDataEndsBeforeDeclaredSize);
    }
}

}  // namespace sevenzip32
