#include "ExtraFields.h"

#include <algorithm>
#include <utility>

#include "EntryFailure.h"
#include "FieldCursor.h"

namespace sevenzip32 {
namespace {

// The vendor's version (AE-1 or AE-2), "AE", the strength, the method.
AesField ReadAes(std::string_view data) {
    if (data.size() < 7 || data.substr(2, 2) != "AE") {
        return {};
    }
    FieldCursor fields(reinterpret_cast<const uint8_t*>(data.data()) + 4);
    AesField aes;
    fields.Field(aes.strength);
    fields.Field(aes.method);
    return aes;
}

// Flags, then the times they name, the modification time first.
std::optional<int64_t> ReadModificationTime(std::string_view data) {
    if (data.size() < 5 || (data[0] & 1) == 0) {
        return std::nullopt;
    }
    FieldCursor fields(reinterpret_cast<const uint8_t*>(data.data()) + 1);
    return static_cast<int32_t>(fields.U32());
}

// A version, which must be 1, the raw name's CRC-32, then the name.
std::optional<UnicodePathField> ReadUnicodePath(std::string_view data) {
    if (data.size() < 5 || data[0] != 1) {
        return std::nullopt;
    }
    FieldCursor fields(reinterpret_cast<const uint8_t*>(data.data()) + 1);
    UnicodePathField path;
    path.rawNameCrc = fields.U32();
    path.name = data.substr(5);
    return path;
}

}  // namespace

ExtraFieldFacts ReadExtraFields(std::string_view fields) {
    ExtraFieldFacts facts;
    bool timestampMet = false;
    bool unicodePathMet = false;
    ForEachExtraField(fields, [&](uint16_t id, std::string_view data) {
        switch (id) {
            case kZip64ExtraId:
                facts.zip64 = facts.zip64.value_or(data);
                break;
            case kAesExtraId:
                facts.aes = facts.aes.value_or(ReadAes(data));
                break;
            case kExtendedTimestampExtraId:
                if (!std::exchange(timestampMet, true)) {
                    facts.modificationTime = ReadModificationTime(data);
                }
                break;
            case kUnicodePathExtraId:
                if (!std::exchange(unicodePathMet, true)) {
                    facts.unicodePath = ReadUnicodePath(data);
                }
                break;
            default:
                break;
        }
    });
    return facts;
}

void ApplyZip64Extra(std::optional<std::string_view> zip64, std::initializer_list<uint64_t*> marked,
                     uint32_t* disk) {
    const bool diskMarked = disk != nullptr && *disk == kEscape16;
    if (!diskMarked && std::none_of(marked.begin(), marked.end(),
                                    [](uint64_t* field) { return *field == kEscape32; })) {
        return;
    }
    if (!zip64) {
        throw EntryFailure(Reason::kZip64SizesMissing);
    }
    FieldCursor values(reinterpret_cast<const uint8_t*>(zip64->data()));
    size_t left = zip64->size();
    auto take = [&](size_t size) {
        if (size > left) {
            throw EntryFailure(Reason::kZip64FieldTooShort);
        }
        left -= size;
    };
    for (uint64_t* field : marked) {
        if (*field == kEscape32) {
            take(8);
            *field = values.U64();
        }
    }
    if (diskMarked) {
        take(4);
        *disk = values.U32();
    }
}

}  // namespace sevenzip32
