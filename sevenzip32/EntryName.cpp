#include "EntryName.h"

#include "Crc32.h"
#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

constexpr uint16_t kUnicodePathExtraId = 0x7075;

// The Unicode path field counts only while it was written for the name that stands in
// the header: its CRC-32 is that of the header's raw name.
std::optional<std::string> UnicodePathName(const CentralRecord& record) {
    auto field = record.ExtraField(kUnicodePathExtraId);
    if (!field || field->size() < 5 || (*field)[0] != 1) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(field->data());
    const auto* raw = reinterpret_cast<const uint8_t*>(record.rawName.data());
    if (ReadU32(bytes + 1) != UpdateCrc32(0, {raw, record.rawName.size()})) {
        return std::nullopt;
    }
    std::string name(field->substr(5));
    if (!IsValidUtf8(name)) {
        return std::nullopt;
    }
    return name;
}

bool IsDriveLetterPart(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            codePoint = codePoint << 6 | (next & 0x3F);
        }
        constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < kSmallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

NameDecoder::NameDecoder() : cp932_(iconv_open("UTF-8", "CP932")) {}

NameDecoder::~NameDecoder() {
    if (cp932_ != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(cp932_);
    }
}

std::string NameDecoder::Decode(const CentralRecord& record) {
    if (record.IsNameUtf8()) {
        if (!IsValidUtf8(record.rawName)) {
            throw EntryFailure("the name is flagged UTF-8 but is not");
        }
        return record.rawName;
    }
    if (auto unicodeName = UnicodePathName(record)) {
        return *unicodeName;
    }
    if (IsValidUtf8(record.rawName)) {
        return record.rawName;
    }
    return DecodeCp932(record.rawName);
}

std::string NameDecoder::DecodeCp932(std::string_view raw) {
    if (cp932_ == reinterpret_cast<iconv_t>(-1)) {
        throw EntryFailure("the name is not UTF-8 and CP932 decoding is not available");
    }
    iconv(cp932_, nullptr, nullptr, nullptr, nullptr);
    std::string input(raw);
    std::string output(raw.size() * 3 + 4, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    if (iconv(cp932_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        throw EntryFailure("the name is neither UTF-8 nor CP932");
    }
    output.resize(output.size() - outLeft);
    return output;
}

EntryPath SplitEntryPath(std::string_view name) {
    EntryPath path;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            throw EntryFailure("the name holds a control character");
        }
    }
    if (name.empty()) {
        throw EntryFailure("the name is empty");
    }
    if (name.front() == '/' || name.front() == '\\') {
        throw EntryFailure("the name is an absolute path");
    }
    path.namesFolder = name.back() == '/' || name.back() == '\\';
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            throw EntryFailure("the name climbs out of its folder (..)");
        }
        if (path.parts.empty() && part.data() == name.data() && IsDriveLetterPart(part)) {
            throw EntryFailure("the name starts with a drive letter");
        }
        if (!part.empty() && part != ".") {
            path.parts.emplace_back(part);
        }
        start = end + 1;
    }
    // "./", as some tools list the archive's top, names the output folder itself.
    if (path.parts.empty() && !path.namesFolder) {
        throw EntryFailure("the name has no file name in it");
    }
    return path;
}

std::string JoinEntryPath(const EntryPath& path) {
    std::string joined;
    for (const std::string& part : path.parts) {
        if (!joined.empty()) {
            joined += '/';
        }
        joined += part;
    }
    return joined;
}

}  // namespace sevenzip32

namespace sevenzip32 {

void CheckLinkTarget(const EntryPath& linkPath, std::string_view target) {
    if (target.empty()) {
        throw EntryFailure("the link has no target");
    }
    if (target.front() == '/') {
        throw EntryFailure("the link points to an absolute path");
    }
    for (char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\') {
            throw EntryFailure("the link's target holds a control character or a backslash");
        }
    }
    size_t climbable = linkPath.parts.size() - 1;
    bool descended = false;
    size_t start = 0;
    while (start <= target.size()) {
        size_t end = target.find('/', start);
        if (end == std::string_view::npos) {
            end = target.size();
        }
        const std::string_view part = target.substr(start, end - start);
        if (part == "..") {
            if (descended || climbable == 0) {
                throw EntryFailure("the link points outside the output folder");
            }
            --climbable;
        } else if (!part.empty() && part != ".") {
            descended = true;
        }
        start = end + 1;
    }
}

}  // namespace sevenzip32
