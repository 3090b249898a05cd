// The archive's central directory as it stands in the file: one record per entry,
// with the offsets and flags that tell where each entry's bytes are and how to read them.
// The directory's bytes are read a slice at a time and not kept: an archive may hold
// millions of entries, and what is planned from each header is smaller than the header.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "ArchiveFile.h"
#include "CentralHeader.h"
#include "Cipher.h"
#include "Reasons.h"

namespace sevenzip32 {

// 48 bytes an entry.
struct CentralRecord {
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t localHeaderOffset = 0;
    uint64_t dataOffset = 0;  // first byte of the entry's data, after its local header
    uint32_t crc = 0;
    uint32_t headerOffset = 0;  // of the central header, from the directory's start
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t nameSize = 0;
    uint8_t descriptorSize : 5 = 0;  // of the data descriptor after the data, when it has one
    uint8_t withoutZip64 : 1 = 0;    // the central header gives its sizes in 32 bits
    // Its data ends where the next entry or the directory begins, with 32-bit sizes in
    // both headers: an entry over 4 GiB written without zip64 gives its sizes modulo
    // 4 GiB, and is read on until its data ends.
    uint8_t sizeMayWrap : 1 = 0;
    // For an AES entry, method is the one its field names; its headers say 99.
    Cipher cipher = Cipher::None;

    bool IsEncrypted() const { return cipher != Cipher::None; }
    uint16_t MethodInHeaders() const { return IsAes(cipher) ? kAesMethod : method; }
    // AES entries of the second kind keep no CRC; their authentication code checks them.
    bool HasCrc() const { return !(IsAes(cipher) && crc == 0); }

    static constexpr uint16_t kAesMethod = 99;
};

static_assert(sizeof(CentralRecord) == 48, "a million entries take a million of these");

// Why an entry whose cipher is Unreadable cannot be read.
Reason UnreadableCipherReason(const CentralRecord& record);

struct CentralDirectory {
    std::vector<CentralRecord> records;
    uint64_t offset = 0;  // where the central directory starts
    // See DirectoryPlace.
    bool offsetsWrap = false;
    // The archive has no directory (a download cut short): the records were made from the
    // local headers of the entries that are whole, and offset is where the first that is
    // not begins.
    bool cutShort = false;
};

// The records of one slice of the central directory, handed over while their headers'
// bytes are at hand.
class CentralSlice {
  public:
    CentralSlice(const CentralDirectory& directory, size_t first, std::span<const uint8_t> bytes,
                 uint64_t bytesStart, uint64_t expectedCount, uint64_t directorySize)
        : directory_(directory),
          first_(first),
          bytes_(bytes),
          bytesStart_(bytesStart),
          expectedCount_(expectedCount),
          directorySize_(directorySize) {}

    size_t First() const { return first_; }
    size_t End() const { return directory_.records.size(); }
    const CentralRecord& Record(size_t index) const { return directory_.records[index]; }
    CentralHeader Header(size_t index) const {
        return CentralHeader(bytes_.data() + (Record(index).headerOffset - bytesStart_));
    }
    // How many entries the end record announces, at most as many as the bytes can hold.
    uint64_t ExpectedCount() const { return expectedCount_; }
    // More than all the names, extra fields and comments of the directory take.
    uint64_t NameBytesAtMost() const {
        return directorySize_ - expectedCount_ * kCentralHeaderSize;
    }

  private:
    const CentralDirectory& directory_;
    size_t first_;
    std::span<const uint8_t> bytes_;
    uint64_t bytesStart_;
    uint64_t expectedCount_;
    uint64_t directorySize_;
};

// Reads the central directory by the format's rules: bytes before the archive (a
// self-extractor's stub) shift every offset alike, bytes after it are ignored. Fails on
// any record that does not fit inside the file, and on end records that two readers
// could read two ways. The volumes before the last of a split archive are opened once its
// end record names the last disk. Where the archive has no directory but begins with an
// entry (a download cut short), the records are made from the local headers of the
// entries that are whole. Calls withHeaders for each slice of records as it is read.
CentralDirectory ReadCentralDirectory(ArchiveFile& file,
                                      const std::function<void(const CentralSlice&)>& withHeaders);

}  // namespace sevenzip32
