// The extra fields after an entry's name, in its central and local headers alike: a
// list of (id, length, data), of which the zip64 field holds the sizes and offsets too
// large for the headers' own 32-bit fields.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace sevenzip32 {

constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kAesExtraId = 0x9901;
constexpr uint16_t kEscape16 = 0xFFFF;
constexpr uint32_t kEscape32 = 0xFFFFFFFF;
// How far 32-bit sizes and offsets reach before they wrap.
constexpr uint64_t kFourGiB = uint64_t{1} << 32;

// The data of one extra field among fields, when present.
std::optional<std::string_view> FindExtraField(std::string_view fields, uint16_t id);

// Takes the 64-bit values, in the field's order, of the fields the 32-bit header marks
// as too large, then the 32-bit disk number where the header marks it so.
void ApplyZip64Extra(std::string_view extraFields, std::initializer_list<uint64_t*> marked,
                     uint32_t* disk = nullptr);

}  // namespace sevenzip32
