#include "CentralDirectory.h"

#include <algorithm>

#include "EndRecord.h"
#include "EntryExtents.h"
#include "EntryFailure.h"
#include "LocalHeaderWalk.h"
#include "RecordSignatures.h"

namespace sevenzip32 {
namespace {

constexpr size_t kSliceSize = 1024 * 1024;
constexpr uint16_t kEncryptedFlag = 0x0001;
constexpr uint16_t kStrongEncryptionFlag = 0x0040;
constexpr uint16_t kMaskedHeadersFlag = 0x2000;

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
    const auto& aes = header.Extras().aes;
    record.cipher = aes ? AesOfStrength(aes->strength) : Cipher::Unreadable;
    if (record.cipher != Cipher::Unreadable) {
        record.method = aes->method;
    }
}

// The record of one central header, whose bytes are all there.
CentralRecord ParseRecord(const uint8_t* bytes, const ArchiveFile& file, uint64_t shift) {
    const CentralHeader header(bytes);
    const CentralHeaderFields& fields = header.Fields();
    CentralRecord record;
    record.flags = fields.flags;
    record.method = fields.method;
    record.crc = fields.crc;
    record.compressedSize = fields.compressedSize;
    record.size = fields.size;
    record.nameSize = fields.nameLength;
    uint32_t disk = fields.disk;
    record.localHeaderOffset = fields.localHeaderOffset;
    record.withoutZip64 = record.compressedSize != kEscape32 && record.size != kEscape32;
    ApplyZip64Extra(header.Extras().zip64,
                    {&record.size, &record.compressedSize, &record.localHeaderOffset}, &disk);
    ReadCipher(header, record);
    record.localHeaderOffset = file.Position(disk, record.localHeaderOffset);
    if (record.localHeaderOffset > file.Size() - shift) {
        throw EntryFailure(Reason::kHeaderPastEnd);
    }
    record.localHeaderOffset += shift;
    return record;
}

// Parses the whole records at the start of bytes into directory and returns how many
// bytes they took; a record cut by the end of bytes waits for the next slice.
size_t ParseRecords(std::span<const uint8_t> bytes, uint64_t bytesStart, uint64_t shift,
                    const ArchiveFile& file, CentralDirectory& directory) {
    size_t at = 0;
    while (at + kCentralHeaderSize <= bytes.size()) {
        const uint8_t* p = bytes.data() + at;
        const CentralHeaderFields fields = ReadCentralHeaderFields(p);
        if (fields.signature != kCentralSignature) {
            throw EntryFailure(fields.signature == kArchiveExtraDataSignature
                                   ? Reason::kDirectoryEncrypted
                                   : Reason::kDirectoryDamaged);
        }
        const size_t recordSize = fields.Size();
        if (at + recordSize > bytes.size()) {
            break;
        }
        CentralRecord record = ParseRecord(p, file, shift);
        record.headerOffset = static_cast<uint32_t>(bytesStart + at);
        directory.records.push_back(record);
        at += recordSize;
    }
    return at;
}

// Turns the directory's bytes, handed over a slice at a time, into records, and hands
// each slice's records on with their headers.
class DirectoryReader {
  public:
    DirectoryReader(const ArchiveFile& file, CentralDirectory& directory, uint64_t shift,
                    uint64_t expectedCount, uint64_t directorySize,
                    const std::function<void(const CentralSlice&)>& withHeaders)
        : file_(file),
          directory_(directory),
          shift_(shift),
          expectedCount_(expectedCount),
          directorySize_(directorySize),
          withHeaders_(withHeaders) {}

    // Room for bytes more at the end of the slice, to be filled before Parse.
    std::span<uint8_t> Extend(size_t bytes) {
        const size_t kept = slice_.size();
        slice_.resize(kept + bytes);
        return std::span(slice_).subspan(kept);
    }

    void Parse() {
        const size_t first = directory_.records.size();
        const size_t parsed = ParseRecords(slice_, sliceStart_, shift_, file_, directory_);
        if (directory_.records.size() > first) {
            withHeaders_(CentralSlice(directory_, first, slice_, sliceStart_, expectedCount_,
                                      directorySize_));
        }
        slice_.erase(slice_.begin(), slice_.begin() + static_cast<std::ptrdiff_t>(parsed));
        sliceStart_ += parsed;
    }

    // All the bytes made records.
    void Finish() const {
        if (!slice_.empty()) {
            throw EntryFailure(Reason::kDirectoryDamaged);
        }
    }

  private:
    const ArchiveFile& file_;
    CentralDirectory& directory_;
    const uint64_t shift_;
    const uint64_t expectedCount_;
    const uint64_t directorySize_;
    const std::function<void(const CentralSlice&)>& withHeaders_;
    std::vector<uint8_t> slice_;
    uint64_t sliceStart_ = 0;  // where the slice's first byte stands in the directory
};

// What one reads of a download cut short: the entries that are whole, walked from the
// local headers; none is no archive at all.
CentralDirectory ReadWhatArrived(const ArchiveFile& file, uint64_t start,
                                 const std::function<void(const CentralSlice&)>& withHeaders) {
    CentralDirectory directory;
    directory.cutShort = true;
    DirectoryReader reader(file, directory, 0, 0, 0, withHeaders);
    directory.offset = WalkLocalHeaders(file, start, [&](std::span<const uint8_t> headers) {
        std::ranges::copy(headers, reader.Extend(headers.size()).begin());
        reader.Parse();
    });
    reader.Finish();
    if (directory.records.empty()) {
        throw EntryFailure(Reason::kCutShort, contract::CutShortDetail(0));
    }
    return directory;
}

bool MayBeCutShort(const EntryFailure& failure) {
    const Reason reason = failure.Which();
    return reason == Reason::kNoEndRecord || reason == Reason::kTooShortForEndRecord ||
           reason == Reason::kDirectoryOutOfPlace;
}

}  // namespace

Reason UnreadableCipherReason(const CentralRecord& record) {
    if ((record.flags & kMaskedHeadersFlag) != 0) {
        return Reason::kDirectoryEncrypted;
    }
    return (record.flags & kStrongEncryptionFlag) != 0 ? Reason::kStrongEncryption
                                                       : Reason::kUnknownAesField;
}

CentralDirectory ReadCentralDirectory(ArchiveFile& file,
                                      const std::function<void(const CentralSlice&)>& withHeaders) {
    DirectoryPlace place;
    try {
        place = LocateDirectory(file);
    } catch (const EntryFailure& failure) {
        if (!MayBeCutShort(failure) || file.IsSplitIntoDisks()) {
            throw;
        }
        if (file.IsNumbered()) {
            throw file.NumberedPiecesIncomplete();
        }
        const auto start = FirstLocalHeader(file);
        if (!start) {
            throw;
        }
        return ReadWhatArrived(file, *start, withHeaders);
    }
    CentralDirectory directory;
    directory.offset = place.offset;
    directory.offsetsWrap = place.offsetsWrap;
    // Room for the records at once, never more than the bytes can hold, whatever the
    // end record claims.
    const uint64_t expected = std::min<uint64_t>(place.entryCount, place.size / kCentralHeaderSize);
    directory.records.reserve(static_cast<size_t>(expected));
    DirectoryReader reader(file, directory, place.shift, expected, place.size, withHeaders);
    for (uint64_t read = 0; read < place.size;) {
        const auto more = static_cast<size_t>(std::min<uint64_t>(kSliceSize, place.size - read));
        file.ReadAt(directory.offset + read, reader.Extend(more));
        read += more;
        reader.Parse();
    }
    reader.Finish();
    // The records are the truth; a classic count only says how many there are modulo 65,536.
    const uint64_t found = directory.records.size();
    if (place.countMayWrap ? found % 0x10000 != place.entryCount : found != place.entryCount) {
        throw EntryFailure(Reason::kEntryCountAmbiguous);
    }
    if (file.IsSplitIntoDisks()) {
        CheckNoVolumeIsShort(file, directory);
    }
    return directory;
}

}  // namespace sevenzip32
