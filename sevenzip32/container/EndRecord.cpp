#include "EndRecord.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "EntryFailure.h"
#include "ExtraFields.h"
#include "FieldCursor.h"
#include "LittleEndian.h"
#include "RecordSignatures.h"

namespace sevenzip32 {
namespace {

constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;

struct EndRecord {
    uint64_t entryCount = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;
    uint64_t position = 0;       // of the classic end record
    uint64_t directoryEnd = 0;   // where the central directory must end: the next record
    uint32_t lastDisk = 0;       // the number of the disk it stands on, the last volume
    uint32_t directoryDisk = 0;  // where the central directory starts
    bool countMayWrap = true;
    bool disksInZip64 = false;       // a classic disk field says "see the zip64 record"
    bool commentReachesEnd = false;  // nothing but its comment follows it
};

EndRecord ParseEndRecord(const uint8_t* bytes, uint64_t position, uint64_t fileSize) {
    FieldCursor fields(bytes + 4);
    EndRecord end;
    end.lastDisk = fields.U16();
    end.directoryDisk = fields.U16();
    fields.Skip(2);  // the entries on this disk
    end.entryCount = fields.U16();
    end.directorySize = fields.U32();
    end.directoryOffset = fields.U32();
    const uint16_t commentLength = fields.U16();
    end.disksInZip64 = end.lastDisk == kEscape16 || end.directoryDisk == kEscape16;
    end.position = position;
    end.directoryEnd = position;
    end.commentReachesEnd = position + kEndSize + commentLength == fileSize;
    return end;
}

// Every end record signature in the file's tail, the last first; a comment whose length
// is off, or bytes after the record, do not matter.
std::vector<EndRecord> EndRecordsInTail(const ArchiveFile& file) {
    if (file.Size() < kEndSize) {
        throw EntryFailure(Reason::kTooShortForEndRecord);
    }
    const uint64_t tailSize = std::min<uint64_t>(file.Size(), kEndSize + 0xFFFF);
    std::vector<uint8_t> tail(tailSize);
    const uint64_t tailStart = file.Size() - tailSize;
    file.ReadAt(tailStart, tail);
    std::vector<EndRecord> records;
    for (size_t at = tailSize - kEndSize + 1; at-- > 0;) {
        if (ReadU32(tail.data() + at) == kEndSignature) {
            records.push_back(ParseEndRecord(tail.data() + at, tailStart + at, file.Size()));
        }
    }
    if (records.empty()) {
        throw EntryFailure(Reason::kNoEndRecord);
    }
    return records;
}

// A classic field either holds its escape value or agrees with the zip64 record.
void CheckAgrees(uint64_t classic, uint64_t escape, uint64_t zip64) {
    if (classic != escape && classic != zip64) {
        throw EntryFailure(Reason::kEndRecordsDisagree);
    }
}

// Where the locator says the zip64 end record stands, counted on its disk.
std::optional<uint64_t> LocatedPosition(const ArchiveFile& file, uint32_t disk, uint64_t offset) {
    if (disk >= file.Disks()) {
        return std::nullopt;
    }
    const auto& volume = file.Volumes()[disk];
    const uint64_t room = file.IsSplitIntoDisks() ? volume.size : file.Size();
    if (offset > room) {
        return std::nullopt;
    }
    return file.IsSplitIntoDisks() ? volume.start + offset : offset;
}

// Replaces the end record's fields by the zip64 end record's, where the archive has one.
void ReadZip64End(const ArchiveFile& file, EndRecord& end) {
    uint8_t locator[kZip64LocatorSize];
    if (end.position < kZip64LocatorSize + kZip64EndSize ||
        (file.ReadAt(end.position - kZip64LocatorSize, locator),
         ReadU32(locator) != kZip64LocatorSignature)) {
        if (end.disksInZip64) {
            throw EntryFailure(Reason::kZip64EndMissing);
        }
        return;
    }
    FieldCursor located(locator + 4);
    const uint32_t locatedDisk = located.U32();
    const uint64_t locatedOffset = located.U64();
    // Where the locator says, or else right before the locator, in an archive behind a stub.
    uint8_t record[kZip64EndSize];
    const uint64_t rightBefore = end.position - kZip64LocatorSize - kZip64EndSize;
    uint64_t recordPosition =
        LocatedPosition(file, locatedDisk, locatedOffset).value_or(UINT64_MAX);
    if (recordPosition > rightBefore ||
        (file.ReadAt(recordPosition, record), ReadU32(record) != kZip64EndSignature)) {
        recordPosition = rightBefore;
        file.ReadAt(recordPosition, record);
        if (ReadU32(record) != kZip64EndSignature) {
            throw EntryFailure(Reason::kZip64EndMissing);
        }
    }
    // Its own size, the versions made by and needed, then the disks and the directory.
    FieldCursor fields(record + 16);
    const uint32_t lastDisk = fields.U32();
    const uint32_t directoryDisk = fields.U32();
    fields.Skip(8);  // the entries on this disk
    const uint64_t count = fields.U64();
    const uint64_t size = fields.U64();
    const uint64_t offset = fields.U64();
    CheckAgrees(end.lastDisk, kEscape16, lastDisk);
    CheckAgrees(end.directoryDisk, kEscape16, directoryDisk);
    CheckAgrees(end.entryCount, kEscape16, count);
    CheckAgrees(end.directorySize, kEscape32, size);
    CheckAgrees(end.directoryOffset, kEscape32, offset);
    end.lastDisk = lastDisk;
    end.directoryDisk = directoryDisk;
    end.entryCount = count;
    end.directorySize = size;
    end.directoryOffset = offset;
    end.directoryEnd = recordPosition;
    end.countMayWrap = false;
}

// Where the end record puts a directory that fits before it.
DirectoryPlace PlaceOf(const ArchiveFile& file, const EndRecord& end) {
    if (end.lastDisk + 1 != file.Disks()) {
        throw EntryFailure(Reason::kEndRecordsDisagree);
    }
    const uint64_t offset = file.Position(end.directoryDisk, end.directoryOffset);
    const bool fits = offset <= end.directoryEnd && end.directorySize <= end.directoryEnd - offset;
    const uint64_t shift = fits ? end.directoryEnd - offset - end.directorySize : 0;
    // The volumes of a split archive only ever follow one another.
    if (!fits || (file.IsSplitIntoDisks() && shift != 0)) {
        if (end.directoryDisk < end.lastDisk) {
            throw file.ShortDiskBetween(file.Volumes()[end.directoryDisk].start, end.directoryEnd);
        }
        throw EntryFailure(Reason::kDirectoryOutOfPlace);
    }
    if (end.directorySize > UINT32_MAX) {
        throw EntryFailure(Reason::kDirectoryTooLarge);
    }
    DirectoryPlace place;
    place.offset = offset + shift;
    place.size = end.directorySize;
    place.entryCount = end.entryCount;
    place.countMayWrap = end.countMayWrap;
    // No stub is 4 GiB long: a classic offset that far off has wrapped.
    place.offsetsWrap = end.countMayWrap && shift != 0 && shift % kFourGiB == 0;
    place.shift = place.offsetsWrap ? 0 : shift;
    return place;
}

bool IsEmpty(const DirectoryPlace& place) {
    return place.entryCount == 0 && place.size == 0;
}

bool CentralRecordAt(const ArchiveFile& file, uint64_t offset) {
    uint8_t signature[4];
    if (offset > file.Size() || file.Size() - offset < sizeof signature) {
        return false;
    }
    file.ReadAt(offset, signature);
    return ReadU32(signature) == kCentralSignature ||
           ReadU32(signature) == kArchiveExtraDataSignature;
}

// The place, where the directory's first record stands at it, moved by a stub or at its
// very offset with bytes between it and the end record.
std::optional<DirectoryPlace> IfThere(const ArchiveFile& file, DirectoryPlace place) {
    if (CentralRecordAt(file, place.offset)) {
        return place;
    }
    place.offset -= place.shift;
    place.shift = 0;
    if (CentralRecordAt(file, place.offset)) {
        return place;
    }
    return std::nullopt;
}

bool BeginsWithLocalHeader(const ArchiveFile& file) {
    uint8_t signature[4];
    return file.Size() >= 4 && (file.ReadAt(0, signature), ReadU32(signature) == kLocalSignature);
}

bool SameDirectory(const DirectoryPlace& a, const DirectoryPlace& b) {
    return a.offset == b.offset && a.size == b.size && a.entryCount == b.entryCount;
}

}  // namespace

DirectoryPlace LocateDirectory(ArchiveFile& file) {
    std::vector<EndRecord> records = EndRecordsInTail(file);
    // The end records stand on the last disk; read again with all of them open.
    if (!file.IsSplitIntoDisks()) {
        EndRecord last = records.front();
        try {
            ReadZip64End(file, last);
        } catch (const EntryFailure&) {
            last.lastDisk = 0;  // found wanting below, with the others
        }
        if (last.lastDisk > 0) {
            if (file.IsNumbered()) {
                throw EntryFailure(Reason::kNumberedVolumesSplitAgain);
            }
            file.OpenVolumesBefore(last.lastDisk);
            records = EndRecordsInTail(file);
        }
    }
    // The common case, one signature, is taken at its word; the directory's own records
    // say whether it is there.
    if (records.size() == 1) {
        ReadZip64End(file, records[0]);
        const DirectoryPlace place = PlaceOf(file, records[0]);
        if (IsEmpty(place) && BeginsWithLocalHeader(file)) {
            throw EntryFailure(Reason::kDirectoryEmptyButEntries);
        }
        return place;
    }
    struct Candidate {
        DirectoryPlace place;
        bool commentReachesEnd;
    };
    std::vector<Candidate> there;  // each directory once
    std::optional<DirectoryPlace> empty;
    std::optional<EntryFailure> lastsFailure;
    for (EndRecord& record : records) {
        try {
            ReadZip64End(file, record);
            const DirectoryPlace place = PlaceOf(file, record);
            const auto found = IsEmpty(place) ? std::nullopt : IfThere(file, place);
            if (IsEmpty(place)) {
                empty = place;
            } else if (found &&
                       std::none_of(there.begin(), there.end(), [&](const Candidate& known) {
                           return SameDirectory(known.place, *found);
                       })) {
                there.push_back({*found, record.commentReachesEnd});
            }
        } catch (const EntryFailure& failure) {
            if (&record == &records.front()) {
                lastsFailure = failure;
            }
        }
    }
    if (there.size() > 1) {
        std::erase_if(there,
                      [](const Candidate& candidate) { return !candidate.commentReachesEnd; });
        if (there.size() != 1) {
            throw EntryFailure(Reason::kEndRecordAmbiguous);
        }
    }
    if (there.size() == 1) {
        return there.front().place;
    }
    if (empty) {
        if (BeginsWithLocalHeader(file)) {
            throw EntryFailure(Reason::kDirectoryEmptyButEntries);
        }
        return *empty;
    }
    throw lastsFailure.value_or(EntryFailure(Reason::kDirectoryOutOfPlace));
}

}  // namespace sevenzip32
