#include "CentralDirectory.h"

#include <algorithm>

#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr uint16_t kZip64ExtraId = 0x0001;

struct EndRecord {
    uint64_t entryCount = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;
    uint64_t position = 0;
};

EndRecord FindEndRecord(const ArchiveFile& file) {
    if (file.Size() < kEndSize) {
        throw EntryFailure("not a ZIP archive (too short for an end record)");
    }
    const uint64_t tailSize = std::min<uint64_t>(file.Size(), kEndSize + 0xFFFF);
    std::vector<uint8_t> tail(tailSize);
    file.ReadAt(file.Size() - tailSize, tail);
    for (size_t at = tailSize - kEndSize + 1; at-- > 0;) {
        const uint8_t* p = tail.data() + at;
        if (ReadU32(p) != kEndSignature || at + kEndSize + ReadU16(p + 20) > tailSize) {
            continue;
        }
        if (ReadU16(p + 4) != 0 || ReadU16(p + 6) != 0) {
            throw EntryFailure("multi-volume archives are not supported");
        }
        EndRecord end;
        end.entryCount = ReadU16(p + 10);
        end.directorySize = ReadU32(p + 12);
        end.directoryOffset = ReadU32(p + 16);
        end.position = file.Size() - tailSize + at;
        return end;
    }
    throw EntryFailure("not a ZIP archive (no end record)");
}

// Replaces the end record's fields by the zip64 end record's, where the archive has one.
void ReadZip64End(const ArchiveFile& file, EndRecord& end) {
    if (end.position < kZip64LocatorSize) {
        return;
    }
    uint8_t locator[kZip64LocatorSize];
    file.ReadAt(end.position - kZip64LocatorSize, locator);
    if (ReadU32(locator) != kZip64LocatorSignature) {
        return;
    }
    uint8_t record[kZip64EndSize];
    file.ReadAt(ReadU64(locator + 8), record);
    if (ReadU32(record) != kZip64EndSignature) {
        throw EntryFailure("the zip64 end record is missing");
    }
    end.entryCount = ReadU64(record + 32);
    end.directorySize = ReadU64(record + 40);
    end.directoryOffset = ReadU64(record + 48);
}

// Takes the 64-bit values of the fields that the 32-bit record marks as too large.
void ApplyZip64Extra(CentralRecord& record, uint32_t size32, uint32_t compressed32,
                     uint32_t offset32) {
    auto extra = record.ExtraField(kZip64ExtraId);
    const bool needed =
        size32 == 0xFFFFFFFF || compressed32 == 0xFFFFFFFF || offset32 == 0xFFFFFFFF;
    if (!extra) {
        if (needed) {
            throw EntryFailure("an entry lacks its zip64 sizes");
        }
        return;
    }
    size_t at = 0;
    auto take = [&](uint64_t& field) {
        if (at + 8 > extra->size()) {
            throw EntryFailure("an entry's zip64 field is too short");
        }
        field = ReadU64(reinterpret_cast<const uint8_t*>(extra->data()) + at);
        at += 8;
    };
    if (size32 == 0xFFFFFFFF) {
        take(record.size);
    }
    if (compressed32 == 0xFFFFFFFF) {
        take(record.compressedSize);
    }
    if (offset32 == 0xFFFFFFFF) {
        take(record.localHeaderOffset);
    }
}

void ReadLocalHeader(const ArchiveFile& file, CentralRecord& record) {
    uint8_t header[kLocalSize];
    file.ReadAt(record.localHeaderOffset, header);
    if (ReadU32(header) != kLocalSignature) {
        throw EntryFailure("an entry's local header is missing");
    }
    record.dataOffset =
        record.localHeaderOffset + kLocalSize + ReadU16(header + 26) + ReadU16(header + 28);
    if (record.dataOffset > file.Size() ||
        record.compressedSize > file.Size() - record.dataOffset) {
        throw EntryFailure("the archive is truncated (an entry's data runs past its end)");
    }
}

}  // namespace

std::optional<std::string_view> CentralRecord::ExtraField(uint16_t id) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(extraFields.data());
    size_t at = 0;
    while (at + 4 <= extraFields.size()) {
        const uint16_t fieldId = ReadU16(bytes + at);
        const uint16_t length = ReadU16(bytes + at + 2);
        if (at + 4 + length > extraFields.size()) {
            break;
        }
        if (fieldId == id) {
            return std::string_view(extraFields).substr(at + 4, length);
        }
        at += 4 + length;
    }
    return std::nullopt;
}

CentralDirectory ReadCentralDirectory(const ArchiveFile& file) {
    EndRecord end = FindEndRecord(file);
    ReadZip64End(file, end);
    if (end.directoryOffset > end.position ||
        end.directorySize > end.position - end.directoryOffset) {
        throw EntryFailure("the archive is truncated (central directory out of place)");
    }
    // Each record takes at least its fixed part, so the count cannot exceed what fits.
    if (end.entryCount > end.directorySize / kCentralSize) {
        throw EntryFailure("the central directory is shorter than its entry count");
    }
    std::vector<uint8_t> bytes(end.directorySize);
    file.ReadAt(end.directoryOffset, bytes);

    CentralDirectory directory;
    directory.offset = end.directoryOffset;
    directory.records.reserve(end.entryCount);
    size_t at = 0;
    for (uint64_t i = 0; i < end.entryCount; ++i) {
        if (at + kCentralSize > bytes.size() || ReadU32(bytes.data() + at) != kCentralSignature) {
            throw EntryFailure("the central directory is damaged");
        }
        const uint8_t* p = bytes.data() + at;
        const size_t nameLength = ReadU16(p + 28);
        const size_t extraLength = ReadU16(p + 30);
        const size_t commentLength = ReadU16(p + 32);
        if (at + kCentralSize + nameLength + extraLength + commentLength > bytes.size()) {
            throw EntryFailure("the central directory is damaged");
        }
        CentralRecord record;
        record.madeBy = ReadU16(p + 4);
        record.flags = ReadU16(p + 8);
        record.method = ReadU16(p + 10);
        record.dosTime = ReadU16(p + 12);
        record.dosDate = ReadU16(p + 14);
        record.crc = ReadU32(p + 16);
        record.compressedSize = ReadU32(p + 20);
        record.size = ReadU32(p + 24);
        record.externalAttributes = ReadU32(p + 38);
        record.localHeaderOffset = ReadU32(p + 42);
        const char* name = reinterpret_cast<const char*>(p + kCentralSize);
        record.rawName.assign(name, nameLength);
        record.extraFields.assign(name + nameLength, extraLength);
        ApplyZip64Extra(record, ReadU32(p + 24), ReadU32(p + 20), ReadU32(p + 42));
        ReadLocalHeader(file, record);
        directory.records.push_back(std::move(record));
        at += kCentralSize + nameLength + extraLength + commentLength;
    }
    return directory;
}

void CheckEntriesDisjoint(const CentralDirectory& directory) {
    struct Range {
        uint64_t begin;
        uint64_t end;
    };
    std::vector<Range> ranges;
    ranges.reserve(directory.records.size());
    for (const CentralRecord& record : directory.records) {
        ranges.push_back({record.localHeaderOffset, record.dataOffset + record.compressedSize});
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0 && ranges[i].begin < ranges[i - 1].end) {
            throw EntryFailure("entries overlap one another in the archive");
        }
        if (ranges[i].end > directory.offset) {
            throw EntryFailure("an entry runs into the central directory");
        }
    }
}

}  // namespace sevenzip32
