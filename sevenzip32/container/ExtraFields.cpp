#include "ExtraFields.h"

#include <algorithm>

#include "EntryFailure.h"
#include "FieldCursor.h"

namespace sevenzip32 {

std::optional<std::string_view> FindExtraField(std::string_view fields, uint16_t id) {
    size_t at = 0;
    // Stray bytes too few for a field's header, as some writers pad with, end the list.
    while (at + 4 <= fields.size()) {
        FieldCursor header(reinterpret_cast<const uint8_t*>(fields.data()) + at);
        const uint16_t fieldId = header.U16();
        const uint16_t length = header.U16();
        if (at + 4 + length > fields.size()) {
            break;
        }
        if (fieldId == id) {
            return fields.substr(at + 4, length);
        }
        at += 4 + length;
    }
    return std::nullopt;
}

void ApplyZip64Extra(std::string_view extraFields, std::initializer_list<uint64_t*> marked,
                     uint32_t* disk) {
    const bool diskMarked = disk != nullptr && *disk == kEscape16;
    if (!diskMarked && std::none_of(marked.begin(), marked.end(),
                                    [](uint64_t* field) { return *field == kEscape32; })) {
        return;
    }
    const auto extra = FindExtraField(extraFields, kZip64ExtraId);
    if (!extra) {
        throw EntryFailure(Reason::kZip64SizesMissing);
    }
    FieldCursor values(reinterpret_cast<const uint8_t*>(extra->data()));
    size_t left = extra->size();
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
