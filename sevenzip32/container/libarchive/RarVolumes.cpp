#include "RarVolumes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "LittleEndian.h"

namespace sevenzip32 {
namespace {

constexpr uint8_t kRar4Signature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr uint8_t kRar5Signature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr size_t kMostHeaders = 1 << 20;  // a walk through a volume that never ends is damage
constexpr uint64_t kLargestRar5Header = 2 * 1024 * 1024;

// Bytes of one volume, by offset within it; nothing past its end.
class VolumeBytes {
  public:
    VolumeBytes(const ArchiveFile& file, const ArchiveFile::Volume& volume)
        : file_(file), volume_(volume) {}

    bool Read(uint64_t at, std::span<uint8_t> bytes) const {
        if (at > volume_.size || bytes.size() > volume_.size - at) {
            return false;
        }
        file_.ReadAt(volume_.start + at, bytes);
        return true;
    }
    uint64_t Left(uint64_t at) const { return at < volume_.size ? volume_.size - at : 0; }

  private:
    const ArchiveFile& file_;
    const ArchiveFile::Volume& volume_;
};

// RAR 4: blocks of a 7-byte head (CRC, type, flags, size), a long block's data size after
// it; the main header (0x73) marks a set and encrypted headers, the end block (0x7B)
// whether a volume follows.
RarVolumeFacts WalkRar4(const VolumeBytes& bytes) {
    RarVolumeFacts facts;
    uint64_t at = sizeof kRar4Signature;
    for (size_t walked = 0; walked < kMostHeaders; ++walked) {
        std::array<uint8_t, 11> head{};
        if (!bytes.Read(at, std::span(head).first(7))) {
            break;
        }
        const uint8_t type = head[2];
        const uint32_t flags = ReadU16(&head[3]);
        const uint32_t size = ReadU16(&head[5]);
        if (size < 7) {
            break;
        }
        uint64_t data = 0;
        if ((flags & 0x8000) != 0) {
            if (!bytes.Read(at + 7, std::span(head).subspan(7, 4))) {
                break;
            }
            data = ReadU32(&head[7]);
            if (type == 0x74 && (flags & 0x0100) != 0) {  // a file's packed size's high half
                std::array<uint8_t, 4> high{};
                if (!bytes.Read(at + 32, high)) {
                    break;
                }
                data |= uint64_t{ReadU32(high.data())} << 32;
            }
        }
        if (type == 0x73) {
            facts.isVolume = (flags & 0x0001) != 0;
            facts.headersEncrypted = (flags & 0x0080) != 0;
            if (facts.headersEncrypted) {
                break;
            }
        } else if (type == 0x7B) {
            facts.hasEnd = true;
            facts.endsTheSet = (flags & 0x0001) == 0;
            break;
        }
        at += size + data;
    }
    return facts;
}

// RAR 5's numbers: seven bits a byte, the high bit saying another follows.
bool ReadNumber(std::span<const uint8_t> bytes, size_t& at, uint64_t& value) {
    value = 0;
    for (unsigned shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
        const uint8_t byte = bytes[at++];
        value |= uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

// RAR 5: headers of a CRC, their size, type and flags, an extra area's and a data area's
// sizes where the flags say; the main header (1) marks a set, an encryption header (4)
// encrypted headers, the end header (5) whether a volume follows.
RarVolumeFacts WalkRar5(const VolumeBytes& bytes) {
    RarVolumeFacts facts;
    uint64_t at = sizeof kRar5Signature;
    for (size_t walked = 0; walked < kMostHeaders; ++walked) {
        // The CRC, then the size in as many of three bytes as the volume holds.
        std::array<uint8_t, 7> sizeBytes{};
        const size_t held = std::min<uint64_t>(sizeBytes.size(), bytes.Left(at));
        size_t sizeEnd = 4;
        uint64_t headerSize = 0;
        if (!bytes.Read(at, std::span(sizeBytes).first(held)) ||
            !ReadNumber(std::span(sizeBytes).first(held), sizeEnd, headerSize) || headerSize == 0 ||
            headerSize > kLargestRar5Header) {
            break;
        }
        std::vector<uint8_t> header(static_cast<size_t>(headerSize));
        if (!bytes.Read(at + sizeEnd, header)) {
            break;
        }
        size_t in = 0;
        uint64_t type = 0;
        uint64_t flags = 0;
        uint64_t extra = 0;
        uint64_t data = 0;
        if (!ReadNumber(header, in, type) || !ReadNumber(header, in, flags) ||
            ((flags & 1) != 0 && !ReadNumber(header, in, extra)) ||
            ((flags & 2) != 0 && !ReadNumber(header, in, data))) {
            break;
        }
        uint64_t own = 0;
        if (type == 4) {
            facts.headersEncrypted = true;
            break;
        }
        if (type == 1 && ReadNumber(header, in, own)) {
            facts.isVolume = (own & 1) != 0;
        } else if (type == 5) {
            facts.hasEnd = ReadNumber(header, in, own);
            facts.endsTheSet = facts.hasEnd && (own & 1) == 0;
            break;
        }
        at += sizeEnd + headerSize + data;
    }
    return facts;
}

}  // namespace

bool IsRarArchive(const ArchiveFile& file) {
    std::array<uint8_t, 7> first{};
    if (file.Size() < first.size()) {
        return false;
    }
    file.ReadAt(0, first);
    return std::equal(first.begin(), first.begin() + 6, kRar4Signature);
}

RarVolumeFacts ReadRarVolume(const ArchiveFile& file, const ArchiveFile::Volume& volume) {
    const VolumeBytes bytes(file, volume);
    std::array<uint8_t, 8> signature{};
    if (!bytes.Read(0, std::span(signature).first(7))) {
        return {};
    }
    if (std::equal(signature.begin(), signature.begin() + 7, kRar4Signature)) {
        return WalkRar4(bytes);
    }
    if (bytes.Read(0, signature) &&
        std::equal(signature.begin(), signature.end(), kRar5Signature)) {
        return WalkRar5(bytes);
    }
    return {};
}

}  // namespace sevenzip32
