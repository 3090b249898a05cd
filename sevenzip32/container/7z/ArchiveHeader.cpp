#include "ArchiveHeader.h"

#include <algorithm>

#include "Crc32.h"
#include "FieldCursor.h"
#include "HeaderBytes.h"

namespace sevenzip32::sevenz {
namespace {

// The ids that open each part of the header.
enum Property : uint8_t {
    kEnd = 0x00,
    kHeader = 0x01,
    kArchiveProperties = 0x02,
    kAdditionalStreamsInfo = 0x03,
    kMainStreamsInfo = 0x04,
    kFilesInfo = 0x05,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kNumUnpackStream = 0x0D,
    kEmptyStream = 0x0E,
    kEmptyFile = 0x0F,
    kAnti = 0x10,
    kName = 0x11,
    kModificationTime = 0x14,
    kWinAttributes = 0x15,
    kEncodedHeader = 0x17,
};

// As many coders in a folder, and streams in all, as the format's own writer allows.
constexpr size_t kMostCoders = 64;
constexpr uint32_t kMostStreams = 64;

void Expect(HeaderBytes& bytes, Property wanted) {
    if (bytes.Byte() != wanted) {
        HeaderDamaged();
    }
}

// A property this reader has no use for: its size, then its bytes.
void SkipProperty(HeaderBytes& bytes) {
    bytes.Skip(bytes.Number());
}

std::vector<std::optional<uint32_t>> Digests(HeaderBytes& bytes, size_t count) {
    const std::vector<bool> defined = bytes.DefinedBits(count);
    std::vector<std::optional<uint32_t>> digests(count);
    for (size_t i = 0; i < count; ++i) {
        if (defined[i]) {
            digests[i] = bytes.U32();
        }
    }
    return digests;
}

uint32_t StreamCount(HeaderBytes& bytes) {
    const uint64_t count = bytes.Number();
    if (count == 0 || count > kMostStreams) {
        HeaderDamaged();
    }
    return static_cast<uint32_t>(count);
}

uint32_t StreamIndex(HeaderBytes& bytes, uint32_t count) {
    const uint64_t index = bytes.Number();
    if (index >= count) {
        HeaderDamaged();
    }
    return static_cast<uint32_t>(index);
}

void ReadPackInfo(HeaderBytes& bytes, StreamsInfo& streams) {
    streams.packPosition = bytes.Number();
    streams.packSizes.resize(bytes.Count());
    Expect(bytes, kSize);
    for (uint64_t& size : streams.packSizes) {
        size = bytes.Number();
    }
    for (uint8_t id = bytes.Byte(); id != kEnd; id = bytes.Byte()) {
        if (id == kCrc) {
            Digests(bytes, streams.packSizes.size());  // the packed bytes are checked decoded
        } else {
            SkipProperty(bytes);
        }
    }
}

Coder ReadCoder(HeaderBytes& bytes) {
    const uint8_t flags = bytes.Byte();
    constexpr uint8_t kIdSize = 0x0F, kComplex = 0x10, kProperties = 0x20, kReserved = 0xC0;
    if ((flags & kReserved) != 0) {
        HeaderDamaged();
    }
    Coder coder;
    const auto id = bytes.Bytes(flags & kIdSize);
    coder.id.assign(id.begin(), id.end());
    if ((flags & kComplex) != 0) {
        coder.inStreams = StreamCount(bytes);
        coder.outStreams = StreamCount(bytes);
    }
    if ((flags & kProperties) != 0) {
        const auto properties = bytes.Bytes(bytes.Count());
        coder.properties.assign(properties.begin(), properties.end());
    }
    return coder;
}

Folder ReadFolder(HeaderBytes& bytes) {
    Folder folder;
    const size_t coders = bytes.Count();
    if (coders == 0 || coders > kMostCoders) {
        HeaderDamaged();
    }
    for (size_t i = 0; i < coders; ++i) {
        folder.coders.push_back(ReadCoder(bytes));
    }
    const uint32_t ins = folder.InStreamCount();
    const uint32_t outs = folder.OutStreamCount();
    if (ins > kMostStreams || outs > kMostStreams || ins < outs - 1) {
        HeaderDamaged();
    }
    std::vector<bool> inBound(ins);
    std::vector<bool> outBound(outs);
    for (uint32_t i = 0; i + 1 < outs; ++i) {
        BindPair pair{StreamIndex(bytes, ins), StreamIndex(bytes, outs)};
        if (inBound[pair.inIndex] || outBound[pair.outIndex]) {
            HeaderDamaged();  // one stream bound twice
        }
        inBound[pair.inIndex] = outBound[pair.outIndex] = true;
        folder.bindPairs.push_back(pair);
    }
    const uint32_t packed = ins - (outs - 1);
    if (packed == 1) {
        const auto unbound = std::find(inBound.begin(), inBound.end(), false);
        folder.packedStreams.push_back(static_cast<uint32_t>(unbound - inBound.begin()));
    } else {
        for (uint32_t i = 0; i < packed; ++i) {
            const uint32_t index = StreamIndex(bytes, ins);
            if (inBound[index]) {
                HeaderDamaged();
            }
            inBound[index] = true;
            folder.packedStreams.push_back(index);
        }
    }
    return folder;
}

void ReadUnpackInfo(HeaderBytes& bytes, StreamsInfo& streams) {
    Expect(bytes, kFolder);
    streams.folders.resize(bytes.Count());
    if (bytes.Byte() != 0) {
        HeaderDamaged();  // folders kept elsewhere, which no writer does
    }
    size_t packedStream = 0;
    for (Folder& folder : streams.folders) {
        folder = ReadFolder(bytes);
        folder.firstPackedStream = packedStream;
        packedStream += folder.packedStreams.size();
    }
    if (packedStream > streams.packSizes.size()) {
        HeaderDamaged();
    }
    Expect(bytes, kCodersUnpackSize);
    for (Folder& folder : streams.folders) {
        folder.unpackSizes.resize(folder.OutStreamCount());
        for (uint64_t& size : folder.unpackSizes) {
            size = bytes.Number();
        }
    }
    for (uint8_t id = bytes.Byte(); id != kEnd; id = bytes.Byte()) {
        if (id == kCrc) {
            const auto digests = Digests(bytes, streams.folders.size());
            for (size_t i = 0; i < digests.size(); ++i) {
                streams.folders[i].crc = digests[i];
            }
        } else {
            SkipProperty(bytes);
        }
    }
}

// Each folder's output cut into files: by default one a folder, as large as the output.
void ReadSubStreamsInfo(HeaderBytes& bytes, StreamsInfo& streams, uint8_t& id) {
    std::vector<size_t> counts(streams.folders.size(), 1);
    if (id == kNumUnpackStream) {
        for (size_t& count : counts) {
            count = bytes.Count();
        }
        id = bytes.Byte();
    }
    streams.subStreams.assign(streams.folders.size(), {});
    for (size_t i = 0; i < streams.folders.size(); ++i) {
        const uint64_t whole = streams.folders[i].UnpackSize();
        auto& files = streams.subStreams[i];
        files.resize(counts[i]);
        if (files.empty()) {
            continue;
        }
        uint64_t sum = 0;
        if (id == kSize) {
            for (size_t k = 0; k + 1 < files.size(); ++k) {
                files[k].size = bytes.Number();
                if (files[k].size > whole - sum) {
                    HeaderDamaged();
                }
                sum += files[k].size;
            }
        } else if (files.size() > 1) {
            HeaderDamaged();
        }
        files.back().size = whole - sum;
    }
    if (id == kSize) {
        id = bytes.Byte();
    }
    // A folder of one file with a CRC of its own gives it; the others are listed here.
    std::vector<SubStream*> unknown;
    for (size_t i = 0; i < streams.folders.size(); ++i) {
        auto& files = streams.subStreams[i];
        if (files.size() == 1 && streams.folders[i].crc) {
            files[0].crc = streams.folders[i].crc;
            continue;
        }
        for (SubStream& file : files) {
            unknown.push_back(&file);
        }
    }
    for (; id != kEnd; id = bytes.Byte()) {
        if (id == kCrc) {
            const auto digests = Digests(bytes, unknown.size());
            for (size_t k = 0; k < unknown.size(); ++k) {
                unknown[k]->crc = digests[k];
            }
        } else {
            SkipProperty(bytes);
        }
    }
}

StreamsInfo ReadStreamsInfo(HeaderBytes& bytes) {
    StreamsInfo streams;
    uint8_t id = bytes.Byte();
    if (id == kPackInfo) {
        ReadPackInfo(bytes, streams);
        id = bytes.Byte();
    }
    if (id == kUnpackInfo) {
        ReadUnpackInfo(bytes, streams);
        id = bytes.Byte();
    }
    if (id == kSubStreamsInfo) {
        id = bytes.Byte();
        ReadSubStreamsInfo(bytes, streams, id);
        id = bytes.Byte();
    } else {
        uint8_t end = kEnd;
        ReadSubStreamsInfo(bytes, streams, end);
    }
    if (id != kEnd) {
        HeaderDamaged();
    }
    return streams;
}

// Names in UTF-16, each ending in a zero, one a file, filling the property.
void ReadNames(HeaderBytes& bytes, std::vector<FileEntry>& files) {
    if (bytes.Byte() != 0) {
        HeaderDamaged();
    }
    for (FileEntry& file : files) {
        for (;;) {
            const auto unit = bytes.Bytes(2);
            const auto character = static_cast<char16_t>(unit[0] | unit[1] << 8);
            if (character == 0) {
                break;
            }
            file.name.push_back(character);
        }
    }
    if (bytes.Left() != 0) {
        HeaderDamaged();
    }
}

// Values given for some files: which ones, then a byte that says they stand here, then each.
template <typename Value, typename Take>
void ReadDefinedValues(HeaderBytes& bytes, std::vector<FileEntry>& files,
                       std::optional<Value> FileEntry::*field, Take take) {
    const std::vector<bool> defined = bytes.DefinedBits(files.size());
    if (bytes.Byte() != 0) {
        HeaderDamaged();
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (defined[i]) {
            files[i].*field = take();
        }
    }
}

std::vector<FileEntry> ReadFilesInfo(HeaderBytes& bytes) {
    std::vector<FileEntry> files(bytes.Count());
    std::vector<bool> emptyStream(files.size());
    std::vector<bool> emptyFile;
    std::vector<bool> anti;
    for (uint8_t id = bytes.Byte(); id != kEnd; id = bytes.Byte()) {
        HeaderBytes property(bytes.Bytes(bytes.Number()));
        const auto emptyCount =
            static_cast<size_t>(std::count(emptyStream.begin(), emptyStream.end(), true));
        switch (id) {
            case kEmptyStream:
                emptyStream = property.Bits(files.size());
                break;
            case kEmptyFile:
                emptyFile = property.Bits(emptyCount);
                break;
            case kAnti:
                anti = property.Bits(emptyCount);
                break;
            case kName:
                ReadNames(property, files);
                break;
            case kModificationTime:
                ReadDefinedValues(property, files, &FileEntry::modificationTime,
                                  [&] { return property.U64(); });
                break;
            case kWinAttributes:
                ReadDefinedValues(property, files, &FileEntry::attributes,
                                  [&] { return property.U32(); });
                break;
            default:
                break;  // other times, comments, padding: nothing a file on the disk takes
        }
    }
    const auto emptyCount =
        static_cast<size_t>(std::count(emptyStream.begin(), emptyStream.end(), true));
    if ((!emptyFile.empty() && emptyFile.size() != emptyCount) ||
        (!anti.empty() && anti.size() != emptyCount)) {
        HeaderDamaged();  // given before the empty streams they count
    }
    size_t empty = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!emptyStream[i]) {
            continue;
        }
        files[i].hasStream = false;
        files[i].isFolder = emptyFile.empty() || !emptyFile[empty];
        files[i].isAnti = !anti.empty() && anti[empty];
        ++empty;
    }
    return files;
}

}  // namespace

uint32_t Folder::InStreamCount() const {
    uint32_t count = 0;
    for (const Coder& coder : coders) {
        count += coder.inStreams;
    }
    return count;
}

uint32_t Folder::OutStreamCount() const {
    uint32_t count = 0;
    for (const Coder& coder : coders) {
        count += coder.outStreams;
    }
    return count;
}

uint32_t Folder::MainOutStream() const {
    for (uint32_t out = 0; out < OutStreamCount(); ++out) {
        if (std::none_of(bindPairs.begin(), bindPairs.end(),
                         [&](const BindPair& pair) { return pair.outIndex == out; })) {
            return out;
        }
    }
    HeaderDamaged();
}

SignatureHeader ReadSignatureHeader(std::span<const uint8_t, kSignatureHeaderSize> bytes) {
    constexpr uint8_t kMajorVersion = 0;
    if (!std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()) ||
        bytes[6] != kMajorVersion) {
        HeaderDamaged();
    }
    const auto fields = bytes.subspan(12);
    FieldCursor cursor(bytes.data() + 8);
    if (cursor.U32() != UpdateCrc32(0, fields)) {
        HeaderDamaged();
    }
    SignatureHeader header;
    header.nextHeaderOffset = cursor.U64();
    header.nextHeaderSize = cursor.U64();
    header.nextHeaderCrc = cursor.U32();
    return header;
}

HeaderOrEncoded ReadHeader(std::span<const uint8_t> headerBytes) {
    HeaderBytes bytes(headerBytes);
    HeaderOrEncoded read;
    uint8_t id = bytes.Byte();
    if (id == kEncodedHeader) {
        read.encoded = ReadStreamsInfo(bytes);
        return read;
    }
    if (id != kHeader) {
        HeaderDamaged();
    }
    ArchiveHeader& header = read.header.emplace();
    id = bytes.Byte();
    if (id == kArchiveProperties) {
        for (uint8_t property = bytes.Byte(); property != kEnd; property = bytes.Byte()) {
            SkipProperty(bytes);
        }
        id = bytes.Byte();
    }
    if (id == kAdditionalStreamsInfo) {
        ReadStreamsInfo(bytes);  // written by no current writer, and used by none
        id = bytes.Byte();
    }
    if (id == kMainStreamsInfo) {
        header.streams = ReadStreamsInfo(bytes);
        id = bytes.Byte();
    }
    if (id == kFilesInfo) {
        header.files = ReadFilesInfo(bytes);
        id = bytes.Byte();
    }
    if (id != kEnd) {
        HeaderDamaged();
    }
    size_t streams = 0;
    for (const auto& files : header.streams.subStreams) {
        streams += files.size();
    }
    const auto withStreams =
        static_cast<size_t>(std::count_if(header.files.begin(), header.files.end(),
                                          [](const FileEntry& file) { return file.hasStream; }));
    if (streams != withStreams) {
        HeaderDamaged();  // files and the streams they are cut from do not match
    }
    return read;
}

}  // namespace sevenzip32::sevenz
