#include "EntryExtents.h"

#include <algorithm>

#include "EntryFailure.h"
#include "LittleEndian.h"
#include "LocalHeaders.h"

namespace sevenzip32 {
namespace {

bool ListedInOrder(const std::vector<CentralRecord>& records) {
    return std::is_sorted(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return a.localHeaderOffset < b.localHeaderOffset;
    });
}

}  // namespace

NextEntryStarts::NextEntryStarts(const CentralDirectory& directory) : directory_(directory) {
    if (ListedInOrder(directory.records)) {
        return;
    }
    sorted_.reserve(directory.records.size());
    for (const CentralRecord& record : directory.records) {
        sorted_.push_back(record.localHeaderOffset);
    }
    std::sort(sorted_.begin(), sorted_.end());
}

uint64_t NextEntryStarts::After(size_t index) const {
    const auto& records = directory_.records;
    if (sorted_.empty()) {
        return index + 1 < records.size() ? records[index + 1].localHeaderOffset
                                          : directory_.offset;
    }
    const auto next =
        std::upper_bound(sorted_.begin(), sorted_.end(), records[index].localHeaderOffset);
    return next != sorted_.end() ? *next : directory_.offset;
}

void CheckNoVolumeIsShort(const ArchiveFile& file, const CentralDirectory& directory) {
    struct Extent {
        uint64_t begin;
        uint64_t leastEnd;
    };
    std::vector<Extent> extents;
    extents.reserve(directory.records.size() + 1);
    for (const CentralRecord& record : directory.records) {
        extents.push_back({record.localHeaderOffset, record.localHeaderOffset + kLocalHeaderSize +
                                                         record.nameSize + record.compressedSize});
    }
    extents.push_back({directory.offset, directory.offset});
    std::sort(extents.begin(), extents.end(),
              [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < extents.size(); ++i) {
        const Extent& before = extents[i - 1];
        if (before.leastEnd > extents[i].begin &&
            &file.VolumeAt(before.begin) != &file.VolumeAt(extents[i].begin)) {
            throw file.ShortDiskBetween(before.begin, extents[i].begin);
        }
    }
}

void CheckEntriesDisjoint(const ArchiveFile& file, const CentralDirectory& directory) {
    struct Range {
        uint64_t begin;
        uint64_t end;
    };
    auto rangeOf = [](const CentralRecord& record) {
        return Range{record.localHeaderOffset,
                     record.dataOffset + record.compressedSize + record.descriptorSize};
    };
    // Bytes no entry claims, before the first (a stub begins otherwise), between two or
    // before the directory, may not begin with an entry of their own.
    auto checkUnclaimed = [&](uint64_t from, uint64_t to) {
        uint8_t signature[4];
        if (from + sizeof signature <= to &&
            (file.ReadAt(from, signature), ReadU32(signature) == kLocalSignature)) {
            throw EntryFailure(Reason::kEntryNotInDirectory);
        }
    };
    auto checkInOrder = [&](auto&& rangeAt, size_t count) {
        uint64_t claimedUpTo = 0;
        for (size_t i = 0; i < count; ++i) {
            const Range range = rangeAt(i);
            if (range.begin < claimedUpTo) {
                throw EntryFailure(Reason::kEntriesOverlap);
            }
            if (range.end > directory.offset) {
                throw EntryFailure(Reason::kEntryRunsIntoDirectory);
            }
            checkUnclaimed(claimedUpTo, range.begin);
            claimedUpTo = range.end;
        }
        checkUnclaimed(claimedUpTo, directory.offset);
    };
    const auto& records = directory.records;
    // Most archives list their entries in the order they stand in the file: then they
    // need no sorting, and no room for it.
    if (ListedInOrder(records)) {
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
