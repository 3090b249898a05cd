// The local header before each entry's data, and the data descriptor after it where the
// entry has one: they give where the data starts, and must agree with the central
// directory, so that a reader of either sees the same entry.
#pragma once

#include <cstdint>
#include <functional>

#include "ArchiveFile.h"
#include "CentralDirectory.h"
#include "RecordSignatures.h"

namespace sevenzip32 {

constexpr size_t kLocalHeaderSize = 30;  // before the name
constexpr uint16_t kDataDescriptorFlag = 0x0008;

struct LocalHeader {
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;

    bool IsDescribed() const { return (flags & kDataDescriptorFlag) != 0; }
    // What the traditional cipher's header is checked against where the writer did not
    // know the CRC before the data: the time's high byte.
    uint8_t TimeCheckByte() const { return static_cast<uint8_t>(dosTime >> 8); }
};

// The fixed part of the local header at bytes, whose signature the caller has checked.
LocalHeader ParseLocalHeader(const uint8_t* bytes);

// Reads the local header and data descriptor of each entry wanted, which gives its data's
// offset; fails where they disagree with the central directory. An entry whose headers
// hold no zip64 field and whose data ends where the next entry or the directory begins
// may have sizes that wrapped past 4 GiB; its compressed size is then found from where
// its data ends. Where the directory's own offset wrapped, so did the entries' offsets,
// each found again a multiple of 4 GiB further on, in the order the entries stand.
void ReadLocalHeaders(const ArchiveFile& file, CentralDirectory& directory,
                      const std::function<bool(size_t)>& wanted);

}  // namespace sevenzip32
