#include "LocalHeaderWalk.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "EntryFailure.h"
#include "ExtraFields.h"
#include "FieldCursor.h"
#include "LittleEndian.h"
#include "LocalHeaders.h"
#include "ReadWindow.h"

namespace sevenzip32 {
namespace {

constexpr uint64_t kStubsUpTo = 1024 * 1024;
constexpr size_t kSliceSize = 1024 * 1024;
constexpr size_t kSearchChunk = 256 * 1024;
constexpr uint16_t kVersion = 20;

// Where the record signature first stands in the file from offset up to before end.
std::optional<uint64_t> Find(const ArchiveFile& file, uint32_t record, uint64_t offset,
                             uint64_t end) {
    const uint8_t signature[4] = {static_cast<uint8_t>(record), static_cast<uint8_t>(record >> 8),
                                  static_cast<uint8_t>(record >> 16),
                                  static_cast<uint8_t>(record >> 24)};
    std::vector<uint8_t> chunk(kSearchChunk);
    while (offset + sizeof signature <= end) {
        const auto length = static_cast<size_t>(std::min<uint64_t>(chunk.size(), end - offset));
        file.ReadAt(offset, {chunk.data(), length});
        if (const void* found = ::memmem(chunk.data(), length, signature, sizeof signature)) {
            return offset + (static_cast<const uint8_t*>(found) - chunk.data());
        }
        offset += length - (sizeof signature - 1);  // a signature across two chunks
    }
    return std::nullopt;
}

struct Descriptor {
    uint64_t end = 0;  // of the descriptor
    uint32_t crc = 0;
    uint64_t size = 0;
};

// The data descriptor after data from dataOffset: the first signature whose compressed
// size is its distance from the data's start (modulo 4 GiB in a descriptor of 32-bit
// sizes). One without its signature cannot be told from data, and is not looked for.
std::optional<Descriptor> FindDescriptor(const ArchiveFile& file, uint64_t dataOffset, bool zip64) {
    const size_t length = zip64 ? 24 : 16;
    for (uint64_t from = dataOffset;;) {
        const auto at = Find(file, kDescriptorSignature, from, file.Size());
        if (!at || *at + length > file.Size()) {
            return std::nullopt;
        }
        uint8_t bytes[24];
        file.ReadAt(*at + 4, {bytes, length - 4});
        FieldCursor fields(bytes);
        Descriptor descriptor;
        descriptor.crc = fields.U32();
        const uint64_t compressed = zip64 ? fields.U64() : fields.U32();
        descriptor.size = zip64 ? fields.U64() : fields.U32();
        const uint64_t distance = *at - dataOffset;
        if (compressed == (zip64 ? distance : distance % kFourGiB)) {
            descriptor.end = *at + length;
            return descriptor;
        }
        from = *at + 1;
    }
}

// The extra fields of a local header without its zip64 field, which the central header
// lays out otherwise.
void PutExtraWithoutZip64(std::vector<uint8_t>& out, std::string_view extra) {
    FieldWriter writer(out);
    const size_t end = ForEachExtraField(extra, [&](uint16_t id, std::string_view data) {
        if (id != kZip64ExtraId) {
            writer.Field(id);
            writer.Field(static_cast<uint16_t>(data.size()));
            writer.Bytes(data);
        }
    });
    writer.Bytes(extra.substr(end));  // stray bytes, as they were
}

struct WalkedEntry {
    LocalHeader header;  // with the sizes and CRC as the data descriptor gives them
    std::string_view name;
    std::string_view extra;
    uint64_t localHeaderOffset = 0;
};

// The central header the directory would hold for the entry, made by a host whose
// attributes say nothing; false where its fields cannot hold it.
bool PutCentralHeader(std::vector<uint8_t>& out, const WalkedEntry& entry) {
    const LocalHeader& local = entry.header;
    std::vector<uint8_t> extra;
    PutExtraWithoutZip64(extra, entry.extra);
    std::vector<uint8_t> zip64;
    FieldWriter zip64Values(zip64);
    const auto escaped = [&](uint64_t value) -> uint32_t {
        if (value < kEscape32) {
            return static_cast<uint32_t>(value);
        }
        zip64Values.Field(value);
        return kEscape32;
    };
    CentralHeaderFields header;
    header.madeBy = kVersion;
    header.needed = kVersion;
    header.flags = local.flags;
    header.method = local.method;
    header.dosTime = local.dosTime;
    header.dosDate = local.dosDate;
    header.crc = local.crc;
    header.size = escaped(local.size);
    header.compressedSize = escaped(local.compressedSize);
    header.localHeaderOffset = escaped(entry.localHeaderOffset);
    if (!zip64.empty()) {
        FieldWriter fields(extra);
        fields.Field(kZip64ExtraId);
        fields.Field(static_cast<uint16_t>(zip64.size()));
        fields.Bytes({reinterpret_cast<const char*>(zip64.data()), zip64.size()});
    }
    if (extra.size() > UINT16_MAX) {
        return false;
    }
    PutCentralHeader(out, header, entry.name,
                     {reinterpret_cast<const char*>(extra.data()), extra.size()});
    return true;
}

}  // namespace

std::optional<uint64_t> FirstLocalHeader(const ArchiveFile& file) {
    return Find(file, kLocalSignature, 0, std::min(file.Size(), kStubsUpTo));
}

uint64_t WalkLocalHeaders(const ArchiveFile& file, uint64_t start,
                          const std::function<void(std::span<const uint8_t>)>& withHeaders) {
    ReadWindow window(file);
    std::vector<uint8_t> headers;
    std::string variable;
    uint64_t at = start;
    while (at + kLocalHeaderSize <= file.Size()) {
        const uint8_t* bytes = window.At(at, kLocalHeaderSize).data();
        if (ReadU32(bytes) != kLocalSignature) {
            break;
        }
        WalkedEntry entry;
        entry.header = ParseLocalHeader(bytes);
        entry.localHeaderOffset = at;
        LocalHeader& header = entry.header;
        const uint64_t dataOffset = at + kLocalHeaderSize + header.nameLength + header.extraLength;
        if (dataOffset > file.Size()) {
            break;
        }
        const auto named = window.At(at + kLocalHeaderSize, header.nameLength + header.extraLength);
        variable.assign(named.begin(), named.end());
        entry.name = std::string_view(variable).substr(0, header.nameLength);
        entry.extra = std::string_view(variable).substr(header.nameLength);
        const bool zip64 = header.compressedSize == kEscape32 || header.size == kEscape32;
        uint64_t next = 0;
        try {
            ApplyZip64Extra(ReadExtraFields(entry.extra).zip64,
                            {&header.size, &header.compressedSize});
        } catch (const EntryFailure&) {
            break;
        }
        if (header.IsDescribed()) {
            const auto descriptor = FindDescriptor(file, dataOffset, zip64);
            if (!descriptor) {
                break;
            }
            header.crc = descriptor->crc;
            header.size = descriptor->size;
            header.compressedSize = descriptor->end - (zip64 ? 24 : 16) - dataOffset;
            next = descriptor->end;
        } else {
            if (header.compressedSize > file.Size() - dataOffset) {
                break;
            }
            next = dataOffset + header.compressedSize;
        }
        if (!PutCentralHeader(headers, entry)) {
            break;
        }
        if (headers.size() >= kSliceSize) {
            withHeaders(headers);
            headers.clear();
        }
        at = next;
    }
    if (!headers.empty()) {
        withHeaders(headers);
    }
    return at;
}

}  // namespace sevenzip32
