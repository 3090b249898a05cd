// What a 7z archive's header says: where its packed streams are, the folders that decode
// them (each a graph of coders), the files each folder's output is cut into, and each
// file's name, kind, time and attributes. Read from the header's bytes alone; the
// decoding of a packed ("encoded") header is the coders' business, and its result is read
// here again.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sevenzip32::sevenz {

constexpr size_t kSignatureHeaderSize = 32;
constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

// The archive's first 32 bytes: where its header lies, after them, and its CRC.
struct SignatureHeader {
    uint64_t nextHeaderOffset = 0;  // from the end of these 32 bytes
    uint64_t nextHeaderSize = 0;
    uint32_t nextHeaderCrc = 0;
};

// Checks the signature, the version and the CRC of the fields that follow; fails the
// archive where any is wrong.
SignatureHeader ReadSignatureHeader(std::span<const uint8_t, kSignatureHeaderSize> bytes);

struct Coder {
    std::vector<uint8_t> id;
    uint32_t inStreams = 1;
    uint32_t outStreams = 1;
    std::vector<uint8_t> properties;
};

// Which output stream of one coder feeds which input stream of another.
struct BindPair {
    uint32_t inIndex = 0;
    uint32_t outIndex = 0;
};

struct Folder {
    std::vector<Coder> coders;
    std::vector<BindPair> bindPairs;
    std::vector<uint32_t> packedStreams;  // the folder's input streams fed by packed streams
    std::vector<uint64_t> unpackSizes;    // of every coder's output streams, in order
    std::optional<uint32_t> crc;          // of the folder's output
    size_t firstPackedStream = 0;         // the archive's index of its first packed stream

    uint32_t InStreamCount() const;
    uint32_t OutStreamCount() const;
    // The output stream bound to no coder's input: the folder's own.
    uint32_t MainOutStream() const;
    uint64_t UnpackSize() const { return unpackSizes.at(MainOutStream()); }
};

// One file's bytes within a folder's output.
struct SubStream {
    uint64_t size = 0;
    std::optional<uint32_t> crc;
};

struct StreamsInfo {
    uint64_t packPosition = 0;  // of the first packed stream, after the signature header
    std::vector<uint64_t> packSizes;
    std::vector<Folder> folders;
    // The files of each folder, in order.
    std::vector<std::vector<SubStream>> subStreams;
};

struct FileEntry {
    std::u16string name;
    bool hasStream = true;  // false for folders and empty files
    bool isFolder = false;
    bool isAnti = false;  // marks a file deleted by an update; nothing to extract
    std::optional<uint64_t> modificationTime;  // 100 ns units since 1601
    std::optional<uint32_t> attributes;        // Windows', with Unix mode above where flagged
};

struct ArchiveHeader {
    StreamsInfo streams;
    std::vector<FileEntry> files;
};

// The header's bytes hold either the header itself or the streams that decode into it.
struct HeaderOrEncoded {
    std::optional<ArchiveHeader> header;
    std::optional<StreamsInfo> encoded;
};

HeaderOrEncoded ReadHeader(std::span<const uint8_t> bytes);

}  // namespace sevenzip32::sevenz
