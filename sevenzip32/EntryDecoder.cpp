#include "EntryDecoder.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>

#include "Crc32.h"
#include "EntryFailure.h"

namespace sevenzip32 {

struct InflaterState {
    inflate_state state;
};

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

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

bool IsMethodReadDirectly(uint16_t method) {
    return method == kMethodStored || method == kMethodDeflate;
}

bool IsMethodSupported(uint16_t method) {
    return IsMethodReadDirectly(method) || zip_compression_method_supported(method, 0) != 0;
}

EntryDecoder::EntryDecoder()
    : input_(kBufferSize), output_(kBufferSize), inflater_(std::make_unique<InflaterState>()) {}

EntryDecoder::~EntryDecoder() = default;

void EntryDecoder::Decode(const ArchiveFile& file, zip_t* archive, size_t index,
                          const CentralRecord& record, const ChunkSink& sink) {
    if (record.method == kMethodStored) {
        ReadStored(file, record, sink);
    } else if (record.method == kMethodDeflate) {
        ReadDeflated(file, record, sink);
    } else {
        ReadThroughLibzip(archive, index, record, sink);
    }
}

void EntryDecoder::ReadStored(const ArchiveFile& file, const CentralRecord& record,
                              const ChunkSink& sink) {
    CheckedSink checked(record, sink);
    uint64_t offset = record.dataOffset;
    uint64_t left = record.compressedSize;
    while (left > 0) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, input_.size()));
        file.ReadAt(offset, {input_.data(), chunk});
        checked.Put({input_.data(), chunk});
        offset += chunk;
        left -= chunk;
    }
    checked.Finish();
}

void EntryDecoder::ReadDeflated(const ArchiveFile& file, const CentralRecord& record,
                                const ChunkSink& sink) {
    CheckedSink checked(record, sink);
    inflate_state& state = inflater_->state;
    isal_inflate_init(&state);
    state.crc_flag = ISAL_DEFLATE;
    uint64_t offset = record.dataOffset;
    uint64_t left = record.compressedSize;
    while (state.block_state != ISAL_BLOCK_FINISH) {
        if (state.avail_in == 0 && left > 0) {
            const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, input_.size()));
            file.ReadAt(offset, {input_.data(), chunk});
            offset += chunk;
            left -= chunk;
            state.next_in = input_.data();
            state.avail_in = static_cast<uint32_t>(chunk);
        }
        state.next_out = output_.data();
        state.avail_out = static_cast<uint32_t>(output_.size());
        if (isal_inflate(&state) != ISAL_DECOMP_OK) {
            throw EntryFailure("the deflate data is damaged");
        }
        const size_t produced = output_.size() - state.avail_out;
        checked.Put({output_.data(), produced});
        if (produced == 0 && state.avail_in == 0 && left == 0 &&
            state.block_state != ISAL_BLOCK_FINISH) {
            throw EntryFailure("the deflate data ends early");
        }
    }
    checked.Finish();
}

void EntryDecoder::ReadThroughLibzip(zip_t* archive, size_t index, const CentralRecord& record,
                                     const ChunkSink& sink) {
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen_index(archive, index, 0));
    if (!entry) {
        throw EntryFailure(std::string("cannot decode the entry: ") + zip_strerror(archive));
    }
    CheckedSink checked(record, sink);
    for (;;) {
        const zip_int64_t got = zip_fread(entry.get(), output_.data(), output_.size());
        if (got < 0) {
            throw EntryFailure(std::string("the entry's data is damaged: ") +
                               zip_file_strerror(entry.get()));
        }
        if (got == 0) {
            break;
        }
        checked.Put({output_.data(), static_cast<size_t>(got)});
    }
    checked.Finish();
}

}  // namespace sevenzip32
