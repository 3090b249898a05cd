#include "CentralHeader.h"

#include "FieldCursor.h"

namespace sevenzip32 {

CentralHeaderFields ReadCentralHeaderFields(const uint8_t* bytes) {
    CentralHeaderFields header;
    FieldCursor cursor(bytes);
    VisitFields(header, [&](auto& field) { cursor.Field(field); });
    return header;
}

void PutCentralHeader(std::vector<uint8_t>& out, CentralHeaderFields header, std::string_view name,
                      std::string_view extraFields) {
    header.nameLength = static_cast<uint16_t>(name.size());
    header.extraLength = static_cast<uint16_t>(extraFields.size());
    header.commentLength = 0;
    FieldWriter writer(out);
    VisitFields(header, [&](auto field) { writer.Field(field); });
    writer.Bytes(name);
    writer.Bytes(extraFields);
}

CentralHeader::CentralHeader(const uint8_t* bytes)
    : fields_(ReadCentralHeaderFields(bytes)),
      variable_(reinterpret_cast<const char*>(bytes) + kCentralHeaderSize),
      extras_(ReadExtraFields(ExtraFieldBytes())) {}

}  // namespace sevenzip32
