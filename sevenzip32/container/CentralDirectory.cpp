#include "CentralDirectory.h"

#include <algorithm>

#include "EntryFailure.h"
#include "ParallelFor.h"
#include "ReadWindow.h"

namespace sevenzip32 {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;
// Stands before a central directory that is itself encrypted.
constexpr uint32_t kArchiveExtraDataSignature = 0x08064b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = CentralHeader::kSize;
constexpr size_t kSliceSize = 1024 * 1024;
constexpr size_t kLocalSize = 30;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kDataDescriptorFlag = 0x0008;
constexpr uint16_t kEncryptedFlag = 0x0001;
constexpr uint16_t kStrongEncryptionFlag = 0x0040;
constexpr uint16_t kMaskedHeadersFlag = 0x2000;
constexpr uint16_t kAesExtraId = 0x9901;
// Encryption, data descriptor, strong encryption, UTF-8 names, masked headers: a
// reader of the local header must not understand the entry differently.
constexpr uint16_t kFlagsThatMustAgree = 0x0001 | 0x0008 | 0x0040 | 0x0800 | 0x2000;
constexpr uint16_t kEscape16 = 0xFFFF;
constexpr size_t kHeadersPerThread = 2048;
constexpr uint32_t kEscape32 = 0xFFFFFFFF;

struct EndRecord {
    uint64_t entryCount = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;
    uint64_t position = 0;       // of the classic end record
    uint64_t directoryEnd = 0;   // where the central directory must end: the next record
    uint32_t lastDisk = 0;       // the number of the disk it stands on, the last volume
    uint32_t directoryDisk = 0;  // where the central directory starts
    bool countMayWrap = true;    // a classic 16-bit count, which wraps past 65,535
    bool disksInZip64 = false;   // a classic disk field says "see the zip64 record"
};

EndRecord FindEndRecord(const ArchiveFile& file) {
    if (file.Size() < kEndSize) {
        throw EntryFailure(Reason::kTooShortForEndRecord);
    }
    const uint64_t tailSize = std::min<uint64_t>(file.Size(), kEndSize + 0xFFFF);
    std::vector<uint8_t> tail(tailSize);
    file.ReadAt(file.Size() - tailSize, tail);
    // The last signature wins; a comment whose length is off, or bytes after the
    // record, do not matter.
    for (size_t at = tailSize - kEndSize + 1; at-- > 0;) {
        const uint8_t* p = tail.data() + at;
        if (ReadU32(p) != kEndSignature) {
            continue;
        }
        EndRecord end;
        end.lastDisk = ReadU16(p + 4);
        end.directoryDisk = ReadU16(p + 6);
        end.disksInZip64 = end.lastDisk == kEscape16 || end.directoryDisk == kEscape16;
        end.entryCount = ReadU16(p + 10);
        end.directorySize = ReadU32(p + 12);
        end.directoryOffset = ReadU32(p + 16);
        end.position = file.Size() - tailSize + at;
        end.directoryEnd = end.position;
        return end;
    }
    throw EntryFailure(Reason::kNoEndRecord);
}

// A classic field either holds its escape value or agrees with the zip64 record.
void CheckAgrees(uint64_t classic, uint64_t escape, uint64_t zip64) {
    if (classic != escape && classic != zip64) {
        throw EntryFailure(Reason::kEndRecordsDisagree);
    }
}

// The zip64 locator before the end record, into locator, if there is one.
bool ReadZip64Locator(const ArchiveFile& file, const EndRecord& end,
                      uint8_t (&locator)[kZip64LocatorSize]) {
    if (end.position < kZip64LocatorSize + kZip64EndSize) {
        return false;
    }
    file.ReadAt(end.position - kZip64LocatorSize, locator);
    return ReadU32(locator) == kZip64LocatorSignature;
}

// Where the locator says the zip64 end record stands, counted on its disk.
std::optional<uint64_t> LocatedPosition(const ArchiveFile& file,
                                        const uint8_t (&locator)[kZip64LocatorSize]) {
    const uint32_t disk = ReadU32(locator + 4);
    const uint64_t offset = ReadU64(locator + 8);
    const auto& volumes = file.Volumes();
    if (disk >= volumes.size() || offset > volumes[disk].size) {
        return std::nullopt;
    }
    return volumes[disk].start + offset;
}

// Replaces the end record's fields by the zip64 end record's, where the archive has one.
void ReadZip64End(const ArchiveFile& file, EndRecord& end) {
    uint8_t locator[kZip64LocatorSize];
    if (!ReadZip64Locator(file, end, locator)) {
        if (end.disksInZip64) {
            throw EntryFailure(Reason::kZip64EndMissing);
        }
        return;
    }
    // Where the locator says, or else right before the locator, in an archive behind a stub.
    uint8_t record[kZip64EndSize];
    uint64_t recordPosition = LocatedPosition(file, locator).value_or(UINT64_MAX);
    if (recordPosition > end.position - kZip64LocatorSize - kZip64EndSize ||
        (file.ReadAt(recordPosition, record), ReadU32(record) != kZip64EndSignature)) {
        recordPosition = end.position - kZip64LocatorSize - kZip64EndSize;
        file.ReadAt(recordPosition, record);
        if (ReadU32(record) != kZip64EndSignature) {
            throw EntryFailure(Reason::kZip64EndMissing);
        }
    }
    const uint32_t lastDisk = ReadU32(record + 16);
    const uint32_t directoryDisk = ReadU32(record + 20);
    CheckAgrees(end.lastDisk, kEscape16, lastDisk);
    CheckAgrees(end.directoryDisk, kEscape16, directoryDisk);
    end.lastDisk = lastDisk;
    end.directoryDisk = directoryDisk;
    const uint64_t count = ReadU64(record + 32);
    const uint64_t size = ReadU64(record + 40);
    const uint64_t offset = ReadU64(record + 48);
    CheckAgrees(end.entryCount, kEscape16, count);
    CheckAgrees(end.directorySize, kEscape32, size);
    CheckAgrees(end.directoryOffset, kEscape32, offset);
    end.entryCount = count;
    end.directorySize = size;
    end.directoryOffset = offset;
    end.directoryEnd = recordPosition;
    end.countMayWrap = false;
}

// Takes the 64-bit values, in the field's order, of the fields the 32-bit header marks
// as too large, then the 32-bit disk number where the header marks it so.
void ApplyZip64Extra(std::string_view extraFields, std::initializer_list<uint64_t*> marked,
                     uint32_t* disk = nullptr) {
    const bool diskMarked = disk != nullptr && *disk == kEscape16;
    if (!diskMarked && std::none_of(marked.begin(), marked.end(),
                                    [](uint64_t* field) { return *field == kEscape32; })) {
        return;
    }
    const auto extra = FindExtraField(extraFields, kZip64ExtraId);
    if (!extra) {
        throw EntryFailure(Reason::kZip64SizesMissing);
    }
    size_t at = 0;
    for (uint64_t* field : marked) {
        if (*field != kEscape32) {
            continue;
        }
        if (at + 8 > extra->size()) {
            throw EntryFailure(Reason::kZip64FieldTooShort);
        }
        *field = ReadU64(reinterpret_cast<const uint8_t*>(extra->data()) + at);
        at += 8;
    }
    if (diskMarked) {
        if (at + 4 > extra->size()) {
            throw EntryFailure(Reason::kZip64FieldTooShort);
        }
        *disk = ReadU32(reinterpret_cast<const uint8_t*>(extra->data()) + at);
    }
}

// With a data descriptor, writers differ in which local values they leave zero.
bool LocalValueAgrees(uint64_t local, uint64_t central, bool described) {
    return local == central || (described && local == 0);
}

// The descriptor after a bit-3 entry's data: a signature or not, the CRC, then both sizes
// in 4 bytes each, or 8 in a zip64 entry. One that is there must agree; one that is
// not (no signature, and no CRC where it would stand) is no matter.
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
        const uint8_t* p = bytes + start;
        const uint64_t compressed = fieldSize == 4 ? ReadU32(p + 4) : ReadU64(p + 4);
        const uint64_t size = fieldSize == 4 ? ReadU32(p + 8) : ReadU64(p + 12);
        if (ReadU32(p) == record.crc && compressed == record.compressedSize &&
            size == record.size) {
            record.descriptorSize = static_cast<uint8_t>(length);
            return;
        }
    }
    throw EntryFailure(Reason::kDescriptorDisagrees);
}

// centralNames reads the central directory again, from the page cache, for the names.
void ReadLocalHeader(ReadWindow& window, ReadWindow& centralNames, uint64_t directoryOffset,
                     CentralRecord& record) {
    const uint8_t* header = window.At(record.localHeaderOffset, kLocalSize).data();
    if (ReadU32(header) != kLocalSignature) {
        throw EntryFailure(Reason::kLocalHeaderMissing);
    }
    const size_t nameLength = ReadU16(header + 26);
    const size_t extraLength = ReadU16(header + 28);
    const uint16_t flags = ReadU16(header + 6);
    const uint16_t method = ReadU16(header + 8);
    const uint32_t crc = ReadU32(header + 14);
    uint64_t compressed = ReadU32(header + 18);
    uint64_t size = ReadU32(header + 22);
    const auto variable =
        window.At(record.localHeaderOffset + kLocalSize, nameLength + extraLength);
    const std::string_view name(reinterpret_cast<const char*>(variable.data()), nameLength);
    const std::string_view extra(reinterpret_cast<const char*>(variable.data()) + nameLength,
                                 extraLength);
    const auto centralName =
        centralNames.At(directoryOffset + record.headerOffset + kCentralSize, record.nameSize);
    if (method != record.MethodInHeaders() || ((flags ^ record.flags) & kFlagsThatMustAgree) != 0 ||
        name != std::string_view(reinterpret_cast<const char*>(centralName.data()),
                                 centralName.size())) {
        throw EntryFailure(Reason::kLocalHeaderDisagrees);
    }
    ApplyZip64Extra(extra, {&size, &compressed});
    const bool described = (flags & kDataDescriptorFlag) != 0;
    if (!LocalValueAgrees(crc, record.crc, described) ||
        !LocalValueAgrees(compressed, record.compressedSize, described) ||
        !LocalValueAgrees(size, record.size, described)) {
        throw EntryFailure(Reason::kLocalHeaderDisagrees);
    }
    record.dataOffset = record.localHeaderOffset + kLocalSize + nameLength + extraLength;
    if (record.dataOffset > window.FileSize() ||
        record.compressedSize > window.FileSize() - record.dataOffset) {
        throw EntryFailure(Reason::kDataPastEnd);
    }
    if (described) {
        ReadDataDescriptor(window, record);
    }
}

// A volume before the last is short when what it holds runs from one position into
// another across its end: the shortest of the volumes from the one with begin to the
// one with end, for volumes of one archive are all of one size but for the last.
EntryFailure ShortVolume(const ArchiveFile& file, uint64_t begin, uint64_t end) {
    const auto& volumes = file.Volumes();
    const auto* first = &file.VolumeAt(begin);
    const auto* last = &file.VolumeAt(end);
    const auto* shortest = first;
    for (const auto* volume = first; volume < last; ++volume) {
        if (volume->size < shortest->size) {
            shortest = volume;
        }
    }
    if (shortest == &volumes.back()) {
        return EntryFailure(Reason::kTruncated);
    }
    return EntryFailure(Reason::kVolumeShort, shortest->name, EntryFailure::Cause::Outside);
}

// A volume before the last that is shorter than it was written (still being copied)
// moves everything after it: an entry that runs across its end then runs into the next
// entry or the directory. The least an entry takes is its local header without extra
// fields, then its data. An overlap within one volume is the archive's own, found later.
void CheckNoVolumeIsShort(const ArchiveFile& file, const CentralDirectory& directory) {
    struct Extent {
        uint64_t begin;
        uint64_t leastEnd;
    };
    std::vector<Extent> extents;
    extents.reserve(directory.records.size() + 1);
    for (const CentralRecord& record : directory.records) {
        extents.push_back({record.localHeaderOffset, record.localHeaderOffset + kLocalSize +
                                                         record.nameSize + record.compressedSize});
    }
    extents.push_back({directory.offset, directory.offset});
    std::sort(extents.begin(), extents.end(),
              [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < extents.size(); ++i) {
        const Extent& before = extents[i - 1];
        if (before.leastEnd > extents[i].begin &&
            &file.VolumeAt(before.begin) != &file.VolumeAt(extents[i].begin)) {
            throw ShortVolume(file, before.begin, extents[i].begin);
        }
    }
}

}  // namespace

std::optional<std::string_view> FindExtraField(std::string_view fields, uint16_t id) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(fields.data());
    size_t at = 0;
    // Stray bytes too few for a field's header, as some writers pad with, end the list.
    while (at + 4 <= fields.size()) {
        const uint16_t fieldId = ReadU16(bytes + at);
        const uint16_t length = ReadU16(bytes + at + 2);
        if (at + 4 + length > fields.size()) {
            break;
        }
        if (fieldId == id) {
            return fields.substr(at + 4, length);
        }
        at += 4 + length;
    }
    return std::nullopt;
}

Reason UnreadableCipherReason(const CentralRecord& record) {
    if ((record.flags & kMaskedHeadersFlag) != 0) {
        return Reason::kDirectoryEncrypted;
    }
    return (record.flags & kStrongEncryptionFlag) != 0 ? Reason::kStrongEncryption
                                                       : Reason::kUnknownAesField;
}

std::optional<std::string_view> CentralHeader::ExtraField(uint16_t id) const {
    return FindExtraField(ExtraFields(), id);
}

namespace {

// Which cipher the entry is encrypted with; an AES entry's real method comes from its field.
void ReadCipher(const CentralHeader& header, CentralRecord& record) {
    if ((record.flags & kEncryptedFlag) == 0) {
        return;
    }
    if ((record.flags & (kStrongEncryptionFlag | kMaskedHeadersFlag)) != 0) {
        record.cipher = Cipher::Unreadable;
        return;
    }
    if (record.method != CentralRecord::kAesMethod) {
        record.cipher = Cipher::ZipCrypto;
        return;
    }
    // The vendor's version (AE-1 or AE-2), "AE", the strength, the method.
    const auto field = header.ExtraField(kAesExtraId);
    if (!field || field->size() < 7 || field->substr(2, 2) != "AE") {
        record.cipher = Cipher::Unreadable;
        return;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(field->data());
    record.cipher = AesOfStrength(bytes[4]);
    if (record.cipher != Cipher::Unreadable) {
        record.method = ReadU16(bytes + 5);
    }
}

// Parses the whole records at the start of bytes into directory and returns how many
// bytes they took; a record cut by the end of bytes waits for the next slice.
size_t ParseRecords(std::span<const uint8_t> bytes, uint64_t bytesStart, uint64_t shift,
                    const ArchiveFile& file, CentralDirectory& directory) {
    size_t at = 0;
    while (at + kCentralSize <= bytes.size()) {
        const uint8_t* p = bytes.data() + at;
        if (ReadU32(p) != kCentralSignature) {
            throw EntryFailure(ReadU32(p) == kArchiveExtraDataSignature
                                   ? Reason::kDirectoryEncrypted
                                   : Reason::kDirectoryDamaged);
        }
        const size_t nameLength = ReadU16(p + 28);
        const size_t recordSize = kCentralSize + nameLength + ReadU16(p + 30) + ReadU16(p + 32);
        if (at + recordSize > bytes.size()) {
            break;
        }
        CentralRecord record;
        record.flags = ReadU16(p + 8);
        record.method = ReadU16(p + 10);
        record.crc = ReadU32(p + 16);
        record.compressedSize = ReadU32(p + 20);
        record.size = ReadU32(p + 24);
        record.localHeaderOffset = ReadU32(p + 42);
        record.headerOffset = static_cast<uint32_t>(bytesStart + at);
        record.nameSize = static_cast<uint16_t>(nameLength);
        uint32_t disk = ReadU16(p + 34);
        ApplyZip64Extra(CentralHeader(p).ExtraFields(),
                        {&record.size, &record.compressedSize, &record.localHeaderOffset}, &disk);
        ReadCipher(CentralHeader(p), record);
        record.localHeaderOffset = file.Position(disk, record.localHeaderOffset);
        if (record.localHeaderOffset > file.Size() - shift) {
            throw EntryFailure(Reason::kHeaderPastEnd);
        }
        record.localHeaderOffset += shift;
        directory.records.push_back(record);
        at += recordSize;
    }
    return at;
}

}  // namespace

CentralDirectory ReadCentralDirectory(ArchiveFile& file,
                                      const std::function<void(const CentralSlice&)>& withHeaders) {
    EndRecord end = FindEndRecord(file);
    ReadZip64End(file, end);
    if (end.lastDisk > 0 && !file.IsSplit()) {
        // The end records stand on the last volume; read again with all of them open.
        file.OpenVolumesBefore(end.lastDisk);
        end = FindEndRecord(file);
        ReadZip64End(file, end);
    }
    if (end.lastDisk + 1 != file.Volumes().size()) {
        throw EntryFailure(Reason::kEndRecordsDisagree);  // changed between the two reads
    }
    end.directoryOffset = file.Position(end.directoryDisk, end.directoryOffset);
    const bool fits = end.directoryOffset <= end.directoryEnd &&
                      end.directorySize <= end.directoryEnd - end.directoryOffset;
    // Bytes before the archive (a stub, padding) move everything by the same amount; the
    // volumes of a split archive only ever follow one another.
    const uint64_t shift = fits ? end.directoryEnd - end.directoryOffset - end.directorySize : 0;
    if (!fits || (file.IsSplit() && shift != 0)) {
        if (end.directoryDisk < end.lastDisk) {
            throw ShortVolume(file, file.Volumes()[end.directoryDisk].start, end.directoryEnd);
        }
        throw EntryFailure(Reason::kDirectoryOutOfPlace);
    }
    if (end.directorySize > UINT32_MAX) {
        throw EntryFailure(Reason::kDirectoryTooLarge);
    }
    CentralDirectory directory;
    directory.offset = end.directoryOffset + shift;
    // Room for the records at once, never more than the bytes can hold, whatever the
    // end record claims.
    const uint64_t expected = std::min<uint64_t>(end.entryCount, end.directorySize / kCentralSize);
    directory.records.reserve(static_cast<size_t>(expected));
    std::vector<uint8_t> slice;
    uint64_t sliceStart = 0;  // where the slice's first byte stands in the directory
    for (uint64_t read = 0; read < end.directorySize;) {
        const size_t kept = slice.size();
        const auto more =
            static_cast<size_t>(std::min<uint64_t>(kSliceSize, end.directorySize - read));
        slice.resize(kept + more);
        file.ReadAt(directory.offset + read, std::span(slice).subspan(kept));
        read += more;
        const size_t first = directory.records.size();
        const size_t parsed = ParseRecords(slice, sliceStart, shift, file, directory);
        if (directory.records.size() > first) {
            withHeaders(
                CentralSlice(directory, first, slice, sliceStart, expected, end.directorySize));
        }
        slice.erase(slice.begin(), slice.begin() + static_cast<std::ptrdiff_t>(parsed));
        sliceStart += parsed;
    }
    if (!slice.empty()) {
        throw EntryFailure(Reason::kDirectoryDamaged);
    }
    // The records are the truth; a classic count only says how many there are modulo 65,536.
    const uint64_t found = directory.records.size();
    if (end.countMayWrap ? found % 0x10000 != end.entryCount : found != end.entryCount) {
        throw EntryFailure(Reason::kEntryCountAmbiguous);
    }
    if (file.IsSplit()) {
        CheckNoVolumeIsShort(file, directory);
    }
    return directory;
}

void ReadLocalHeaders(const ArchiveFile& file, CentralDirectory& directory,
                      const std::function<bool(size_t)>& wanted) {
    ParallelFor(directory.records.size(), ThreadsFor(directory.records.size(), kHeadersPerThread),
                [&](size_t begin, size_t end) {
                    ReadWindow window(file);
                    ReadWindow centralNames(file);
                    for (size_t i = begin; i < end; ++i) {
                        if (wanted(i)) {
                            ReadLocalHeader(window, centralNames, directory.offset,
                                            directory.records[i]);
                        }
                    }
                });
}

void CheckEntriesDisjoint(const CentralDirectory& directory) {
    struct Range {
        uint64_t begin;
        uint64_t end;
    };
    auto rangeOf = [](const CentralRecord& record) {
        return Range{record.localHeaderOffset,
                     record.dataOffset + record.compressedSize + record.descriptorSize};
    };
    auto checkInOrder = [&](auto&& rangeAt, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const Range range = rangeAt(i);
            if (i > 0 && range.begin < rangeAt(i - 1).end) {
                throw EntryFailure(Reason::kEntriesOverlap);
            }
            if (range.end > directory.offset) {
                throw EntryFailure(Reason::kEntryRunsIntoDirectory);
            }
        }
    };
    const auto& records = directory.records;
    // Most archives list their entries in the order they stand in the file: then they
    // need no sorting, and no room for it.
    if (std::is_sorted(records.begin(), records.end(), [](const auto& a, const auto& b) {
            return a.localHeaderOffset < b.localHeaderOffset;
        })) {
        checkInOrder([&](size_t i) { return rangeOf(records[i]); }, records.size());
        return;
    }
    std::vector<Range> ranges;
    ranges.reserve(records.size());
    for (const CentralRecord& record : records) {
        ranges.push_back(rangeOf(record));
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.begin < b.begin; });
    checkInOrder([&](size_t i) { return ranges[i]; }, ranges.size());
}

}  // namespace sevenzip32
