// Writes ZIP archives byte by byte for the tests, well-formed or deliberately not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testzip {

constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflate = 8;
constexpr uint16_t kBzip2 = 12;

struct Entry {
    std::string name;
    std::string data;
    uint16_t method = kDeflate;
    uint16_t flags = 0;
    uint16_t madeBy = 3 << 8 | 20;  // Unix
    uint32_t externalAttributes = 0100644u << 16;
    uint16_t dosTime = 0x6000;    // 12:00:00
    uint16_t dosDate = 0x5A21;    // 2025-01-01
    std::string extraFields;      // central and local alike
    bool zip64 = false;           // sizes and offset in the zip64 field
    bool dataDescriptor = false;  // sizes and CRC after the data, not in the local header

    // Lies the archive may tell about the entry.
    std::optional<uint32_t> declaredCrc;
    std::optional<uint64_t> declaredSize;
    std::optional<std::string> localName;
    std::optional<uint16_t> localFlags;
    std::optional<std::string> compressedOverride;  // raw bytes stored as the entry's data
};

Entry File(std::string name, std::string data, uint16_t method = kDeflate);
Entry Folder(std::string name);
Entry Link(std::string name, std::string target);

// The extended timestamp field with a modification time in seconds since 1970.
std::string TimestampExtra(uint32_t modificationTime);
// The Unicode path field for an entry whose header names it rawName.
std::string UnicodePathExtra(const std::string& rawName, const std::string& utf8Name);

uint32_t Crc32(const std::string& data);
// Little-endian fields, for tests that lay out records of their own.
void Put16(std::string& out, uint16_t value);
void Put32(std::string& out, uint32_t value);
// The same, over bytes already laid out.
void Patch16(std::string& bytes, size_t at, uint16_t value);
void Patch32(std::string& bytes, size_t at, uint32_t value);
std::string Compress(const std::string& data, uint16_t method);

class Writer {
  public:
    Writer() = default;
    // Counts positions as an archive split into volumes of volumeSize bytes does: by
    // disk, each from its volume's start; the last volume holds what is left.
    explicit Writer(uint64_t volumeSize) : volumeSize_(volumeSize) {}

    // Appends the entry's local header and data; returns where it starts.
    uint64_t AddLocal(const Entry& entry);
    // Appends bytes that belong to no entry the writer knows.
    void AddRaw(const std::string& bytes);
    // Records a central header for the entry pointing at offset.
    void AddCentral(const Entry& entry, uint64_t offset);
    // The archive: what was appended, the central directory and the end records.
    std::string Finish();
    // The same, cut into its volumes, the last (the one named .zip) last.
    std::vector<std::string> FinishVolumes();

    static std::string LocalRecord(const Entry& entry);

  private:
    uint32_t Disk(uint64_t position) const {
        return volumeSize_ == 0 ? 0 : static_cast<uint32_t>(position / volumeSize_);
    }
    uint64_t OnDisk(uint64_t position) const {
        return position - uint64_t{Disk(position)} * volumeSize_;
    }

    uint64_t volumeSize_ = 0;
    std::string bytes_;
    std::string central_;
    uint64_t centralCount_ = 0;
    bool anyZip64_ = false;
};

// The usual archive: each entry once, in order.
std::string Archive(const std::vector<Entry>& entries);
// The same split into volumes of volumeSize bytes, as name.z01, ..., name.zip hold them,
// the first beginning with the spanning signature.
std::vector<std::string> SplitArchive(const std::vector<Entry>& entries, uint64_t volumeSize);

}  // namespace testzip
