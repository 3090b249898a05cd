// The extra fields after an entry's name, in its central and local headers alike: a list
// of (id, length, data), read in one walk into the facts the rest of the library needs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace sevenzip32 {

constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kExtendedTimestampExtraId = 0x5455;
constexpr uint16_t kUnicodePathExtraId = 0x7075;
constexpr uint16_t kAesExtraId = 0x9901;
constexpr uint16_t kEscape16 = 0xFFFF;
constexpr uint32_t kEscape32 = 0xFFFFFFFF;
// How far 32-bit sizes and offsets reach before they wrap.
constexpr uint64_t kFourGiB = uint64_t{1} << 32;

// WinZip's AES field: the key's strength (1 to 3 for 128 to 256 bits, 0 where the field
// is not one the format defines) and the method the data is compressed with.
struct AesField {
    uint8_t strength = 0;
    uint16_t method = 0;
};

// The Unicode path field: a name in UTF-8, for the raw name whose CRC-32 it gives.
struct UnicodePathField {
    uint32_t rawNameCrc = 0;
    std::string_view name;
};

// What an entry's extra fields say; the first field of each id counts.
struct ExtraFieldFacts {
    // The zip64 field's values, which of them stand there depending on the header.
    std::optional<std::string_view> zip64;
    std::optional<AesField> aes;
    std::optional<int64_t> modificationTime;  // seconds since 1970, from the timestamp field
    std::optional<UnicodePathField> unicodePath;
};

ExtraFieldFacts ReadExtraFields(std::string_view fields);

// Calls visit(id, data) for each field in order, and returns where the fields end: stray
// bytes too few for a field's header, as some writers pad with, end the list.
template <typename Visit>
size_t ForEachExtraField(std::string_view fields, Visit visit) {
    size_t at = 0;
    while (at + 4 <= fields.size()) {
        const auto* header = reinterpret_cast<const uint8_t*>(fields.data()) + at;
        const auto id = static_cast<uint16_t>(header[0] | header[1] << 8);
        const auto length = static_cast<size_t>(header[2] | header[3] << 8);
        if (at + 4 + length > fields.size()) {
            break;
        }
        visit(id, fields.substr(at + 4, length));
        at += 4 + length;
    }
    return at;
}

// Takes the 64-bit values, in the field's order, of the fields the 32-bit header marks
// as too large, then the 32-bit disk number where the header marks it so.
void ApplyZip64Extra(std::optional<std::string_view> zip64, std::initializer_list<uint64_t*> marked,
                     uint32_t* disk = nullptr);

}  // namespace sevenzip32
