// One header of the central directory: its fixed fields in the format's order, read and
// written through the one list below, then the name, the extra fields and the comment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ExtraFields.h"
#include "RecordSignatures.h"

namespace sevenzip32 {

constexpr uint16_t kUtf8NameFlag = 0x0800;

struct CentralHeaderFields {
    uint32_t signature = kCentralSignature;
    uint16_t madeBy = 0;  // the host in the high byte
    uint16_t needed = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;
    uint16_t disk = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;

    // The whole header's size, its name, extra fields and comment included.
    size_t Size() const;
};

// Calls visit on each field in the order the format lays them out.
template <typename Fields, typename Visit>
constexpr void VisitFields(Fields& header, Visit visit) {
    visit(header.signature);
    visit(header.madeBy);
    visit(header.needed);
    visit(header.flags);
    visit(header.method);
    visit(header.dosTime);
    visit(header.dosDate);
    visit(header.crc);
    visit(header.compressedSize);
    visit(header.size);
    visit(header.nameLength);
    visit(header.extraLength);
    visit(header.commentLength);
    visit(header.disk);
    visit(header.internalAttributes);
    visit(header.externalAttributes);
    visit(header.localHeaderOffset);
}

constexpr size_t FixedSizeOf(CentralHeaderFields header = {}) {
    size_t size = 0;
    VisitFields(header, [&](const auto& field) { size += sizeof field; });
    return size;
}
constexpr size_t kCentralHeaderSize = FixedSizeOf();  // before the name

inline size_t CentralHeaderFields::Size() const {
    return kCentralHeaderSize + nameLength + extraLength + commentLength;
}

// The fixed fields at bytes, of which there are kCentralHeaderSize.
CentralHeaderFields ReadCentralHeaderFields(const uint8_t* bytes);

// The header with its name and extra fields, and no comment.
void PutCentralHeader(std::vector<uint8_t>& out, CentralHeaderFields header, std::string_view name,
                      std::string_view extraFields);

// One central header whose bytes are all there, with what its extra fields say.
class CentralHeader {
  public:
    explicit CentralHeader(const uint8_t* bytes);

    const CentralHeaderFields& Fields() const { return fields_; }
    uint16_t Host() const { return fields_.madeBy >> 8; }
    bool IsNameUtf8() const { return (fields_.flags & kUtf8NameFlag) != 0; }
    std::string_view RawName() const { return {variable_, fields_.nameLength}; }
    std::string_view ExtraFieldBytes() const {
        return {variable_ + fields_.nameLength, fields_.extraLength};
    }
    const ExtraFieldFacts& Extras() const { return extras_; }

  private:
    CentralHeaderFields fields_;
    const char* variable_;  // the name, then the extra fields
    ExtraFieldFacts extras_;
};

}  // namespace sevenzip32
