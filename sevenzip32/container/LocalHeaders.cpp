#include "LocalHeaders.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "EntryExtents.h"
#include "EntryFailure.h"
#include "ExtraFields.h"
#include "FieldCursor.h"
#include "LittleEndian.h"
#include "ParallelFor.h"
#include "ReadWindow.h"

namespace sevenzip32 {
namespace {

constexpr size_t kCentralNameAt = kCentralHeaderSize;
constexpr size_t kHeadersPerThread = 2048;
// Encryption, strong encryption, masked headers: a reader of the local header must not
// understand the entry differently. The UTF-8 flag counts only where a name is not ASCII;
// the data descriptor's changes nothing where the sizes and CRC agree, which is asked apart.
constexpr uint16_t kFlagsThatMustAgree = 0x0001 | 0x0040 | 0x2000;
constexpr uint16_t kUtf8Flag = 0x0800;
// A descriptor of 32-bit sizes, with and without its signature.
constexpr uint8_t kShortDescriptorSizes[] = {16, 12};

// The entry's name as the central directory holds it, valid until the window's next read.
std::string_view CentralName(ReadWindow& centralNames, const CentralDirectory& directory,
                             const CentralRecord& record) {
    const auto name =
        centralNames.At(directory.offset + record.headerOffset + kCentralNameAt, record.nameSize);
    return {reinterpret_cast<const char*>(name.data()), name.size()};
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Flags that differ only where it changes nothing.
bool FlagsAgree(uint16_t local, uint16_t central, std::string_view localName,
                std::string_view centralName) {
    const uint16_t differ = local ^ central;
    return (differ & kFlagsThatMustAgree) == 0 &&
           ((differ & kUtf8Flag) == 0 || (IsAscii(localName) && IsAscii(centralName)));
}

// The same name, where some writers put "\" in the local header for the central's "/".
bool SameName(std::string_view local, std::string_view central) {
    return std::equal(local.begin(), local.end(), central.begin(), central.end(),
                      [](char l, char c) { return l == c || (l == '\\' && c == '/'); });
}

// With a data descriptor, writers differ in which local values they leave zero.
bool LocalValueAgrees(uint64_t local, uint64_t central, bool described) {
    return local == central || (described && local == 0);
}

// The descriptor after a bit-3 entry's data: a signature or not, the CRC, then both sizes
// in 4 bytes each, or 8 in a zip64 entry. One that is there must agree; one that is
// not (no signature, and no CRC where it would stand) is no matter. A compressed size
// found past 4 GiB is given in 4 bytes modulo 4 GiB.
void ReadDataDescriptor(ReadWindow& window, CentralRecord& record) {
    const uint64_t at = record.dataOffset + record.compressedSize;
    const size_t available = static_cast<size_t>(std::min<uint64_t>(28, window.FileSize() - at));
    const uint8_t* bytes = window.At(at, available).data();
    const bool signed_ = available >= 4 && ReadU32(bytes) == kDescriptorSignature;
    const size_t start = signed_ ? 4 : 0;
    if (!signed_ && (available < 4 || ReadU32(bytes) != record.crc)) {
        return;
    }
    for (size_t fieldSize : {4, 8}) {
        const size_t length = start + 4 + 2 * fieldSize;
        if (length > available) {
            break;
        }
        FieldCursor fields(bytes + start);
        const uint32_t crc = fields.U32();
        const uint64_t compressed = fieldSize == 4 ? fields.U32() : fields.U64();
        const uint64_t size = fieldSize == 4 ? fields.U32() : fields.U64();
        const uint64_t expected = fieldSize == 4 && record.sizeMayWrap
                                      ? record.compressedSize % kFourGiB
                                      : record.compressedSize;
        if (crc == record.crc && compressed == expected && size == record.size) {
            record.descriptorSize = static_cast<uint8_t>(length) & 0x1F;
            return;
        }
    }
    throw EntryFailure(Reason::kDescriptorDisagrees);
}

// An entry without zip64 whose data ends where the next thing begins, the compressed
// size as it is or some multiple of 4 GiB more: its sizes may have wrapped.
void FitWrappedSizes(CentralRecord& record, bool described, uint64_t nextStart) {
    if (nextStart < record.dataOffset) {
        return;
    }
    const uint64_t room = nextStart - record.dataOffset;
    const auto fits = [&](uint64_t descriptor) {
        if (room < descriptor + record.compressedSize ||
            (room - descriptor - record.compressedSize) % kFourGiB != 0) {
            return false;
        }
        record.compressedSize = room - descriptor;
        record.sizeMayWrap = 1;
        return true;
    };
    if (!described) {
        fits(0);
        return;
    }
    for (const uint8_t descriptor : kShortDescriptorSizes) {
        if (fits(descriptor)) {
            return;
        }
    }
}

// centralNames reads the central directory again, from the page cache, for the names.
// Where the records were made from the local headers, the names are the same already.
void ReadLocalHeader(ReadWindow& window, ReadWindow& centralNames,
                     const CentralDirectory& directory, CentralRecord& record, uint64_t nextStart) {
    const uint8_t* bytes = window.At(record.localHeaderOffset, kLocalHeaderSize).data();
    if (ReadU32(bytes) != kLocalSignature) {
        throw EntryFailure(Reason::kLocalHeaderMissing);
    }
    LocalHeader header = ParseLocalHeader(bytes);
    const auto variable = window.At(record.localHeaderOffset + kLocalHeaderSize,
                                    header.nameLength + header.extraLength);
    const std::string_view name(reinterpret_cast<const char*>(variable.data()), header.nameLength);
    const std::string_view extra(reinterpret_cast<const char*>(variable.data()) + header.nameLength,
                                 header.extraLength);
    const std::string_view centralName =
        directory.cutShort ? name : CentralName(centralNames, directory, record);
    if (header.method != record.MethodInHeaders() ||
        !FlagsAgree(header.flags, record.flags, name, centralName) ||
        !SameName(name, centralName)) {
        throw EntryFailure(Reason::kLocalHeaderDisagrees);
    }
    const bool sizesIn32Bits = header.compressedSize != kEscape32 && header.size != kEscape32;
    ApplyZip64Extra(ReadExtraFields(extra).zip64, {&header.size, &header.compressedSize});
    const bool described = header.IsDescribed();
    if (!LocalValueAgrees(header.crc, record.crc, described) ||
        !LocalValueAgrees(header.compressedSize, record.compressedSize, described) ||
        !LocalValueAgrees(header.size, record.size, described)) {
        throw EntryFailure(Reason::kLocalHeaderDisagrees);
    }
    record.dataOffset =
        record.localHeaderOffset + kLocalHeaderSize + header.nameLength + header.extraLength;
    if (record.withoutZip64 && sizesIn32Bits) {
        FitWrappedSizes(record, described, nextStart);
    }
    if (record.dataOffset > window.FileSize() ||
        record.compressedSize > window.FileSize() - record.dataOffset) {
        throw EntryFailure(Reason::kDataPastEnd);
    }
    if (described) {
        ReadDataDescriptor(window, record);
    }
}

// Each entry's local header where its 32-bit offset says, or a multiple of 4 GiB on: the
// first place past the entry before it where a local header of its name stands.
void UnwrapLocalHeaderOffsets(const ArchiveFile& file, CentralDirectory& directory) {
    ReadWindow window(file);
    ReadWindow centralNames(file);
    uint64_t after = 0;
    for (CentralRecord& record : directory.records) {
        const std::string_view wanted = CentralName(centralNames, directory, record);
        uint64_t at = record.localHeaderOffset;
        while (at < after) {
            at += kFourGiB;
        }
        const auto standsAt = [&](uint64_t offset) {
            if (offset + kLocalHeaderSize + wanted.size() > directory.offset) {
                return false;
            }
            const auto bytes = window.At(offset, kLocalHeaderSize + wanted.size());
            return ReadU32(bytes.data()) == kLocalSignature &&
                   ParseLocalHeader(bytes.data()).nameLength == wanted.size() &&
                   std::equal(wanted.begin(), wanted.end(), bytes.begin() + kLocalHeaderSize);
        };
        while (at < directory.offset && !standsAt(at)) {
            at += kFourGiB;
        }
        if (at >= directory.offset) {
            throw EntryFailure(Reason::kLocalHeaderMissing);
        }
        record.localHeaderOffset = at;
        after = at + kLocalHeaderSize;
    }
}

}  // namespace

LocalHeader ParseLocalHeader(const uint8_t* bytes) {
    FieldCursor fields(bytes + 4);
    LocalHeader header;
    fields.Skip(2);  // the version needed
    header.flags = fields.U16();
    header.method = fields.U16();
    header.dosTime = fields.U16();
    header.dosDate = fields.U16();
    header.crc = fields.U32();
    header.compressedSize = fields.U32();
    header.size = fields.U32();
    header.nameLength = fields.U16();
    header.extraLength = fields.U16();
    return header;
}

void ReadLocalHeaders(const ArchiveFile& file, CentralDirectory& directory,
                      const std::function<bool(size_t)>& wanted) {
    if (directory.offsetsWrap) {
        UnwrapLocalHeaderOffsets(file, directory);
    }
    const NextEntryStarts nextStarts(directory);
    ParallelFor(directory.records.size(), ThreadsFor(directory.records.size(), kHeadersPerThread),
                [&](size_t begin, size_t end) {
                    ReadWindow window(file);
                    ReadWindow centralNames(file);
                    for (size_t i = begin; i < end; ++i) {
                        if (wanted(i)) {
                            ReadLocalHeader(window, centralNames, directory, directory.records[i],
                                            nextStarts.After(i));
                        }
                    }
                });
}

}  // namespace sevenzip32
