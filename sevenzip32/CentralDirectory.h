// The archive's central directory as it stands in the file: one record per entry,
// with the offsets and flags that tell where each entry's bytes are and how to read them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ArchiveFile.h"

namespace sevenzip32 {

struct CentralRecord {
    uint16_t madeBy = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t externalAttributes = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t localHeaderOffset = 0;
    uint64_t dataOffset = 0;      // first byte of the entry's data, after its local header
    uint64_t descriptorSize = 0;  // of the data descriptor after the data, when it has one
    // Both within the central directory's bytes, which the directory keeps.
    std::string_view rawName;
    std::string_view extraFields;

    bool IsEncrypted() const { return (flags & 0x0001) != 0; }
    bool IsNameUtf8() const { return (flags & 0x0800) != 0; }
    // The data of one extra field of the central record, when present.
    std::optional<std::string_view> ExtraField(uint16_t id) const;
};

// The data of one extra field among fields, when present.
std::optional<std::string_view> FindExtraField(std::string_view fields, uint16_t id);

struct CentralDirectory {
    CentralDirectory() = default;
    // Moved, never copied: the records' names point into bytes.
    CentralDirectory(CentralDirectory&&) = default;
    CentralDirectory& operator=(CentralDirectory&&) = default;
    CentralDirectory(const CentralDirectory&) = delete;
    CentralDirectory& operator=(const CentralDirectory&) = delete;

    std::vector<uint8_t> bytes;  // the central directory as read
    std::vector<CentralRecord> records;
    uint64_t offset = 0;  // where the central directory starts
};

// Reads the central directory by the format's rules: bytes before the archive (a
// self-extractor's stub) shift every offset alike, bytes after it are ignored. Fails on
// any record that does not fit inside the file, and on end records that two readers
// could read two ways.
CentralDirectory ReadCentralDirectory(const ArchiveFile& file);

// Reads the local header and data descriptor of each entry wanted, which gives its data's
// offset; fails where they disagree with the central directory.
void ReadLocalHeaders(const ArchiveFile& file, CentralDirectory& directory,
                      const std::function<bool(size_t)>& wanted);

// Fails when two entries claim the same bytes of the file, or an entry runs into the
// central directory.
void CheckEntriesDisjoint(const CentralDirectory& directory);

}  // namespace sevenzip32
