#include "EntryName.h"

#include "Crc32.h"
#include "EntryFailure.h"
#include "Utf8.h"

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

NameDecoder::~NameDecoder() {
    if (cp932_ != kNotOpen) {
        iconv_close(cp932_);
    }
}

// UTF-8 where the archive says so, or where the name is valid UTF-8 as it stands; else
// our users' code page, CP932; else IBM437, the format's own, which decodes any bytes:
// a name is never refused for its encoding, only for what it says once decoded.
std::string NameDecoder::Decode(const CentralRecord& record) {
    if (record.IsNameUtf8() && IsValidUtf8(record.rawName)) {
        return std::string(record.rawName);
    }
    if (auto unicodeName = UnicodePathName(record)) {
        return *unicodeName;
    }
    if (IsValidUtf8(record.rawName)) {
        return std::string(record.rawName);
    }
    if (auto japanese = DecodeCp932(record.rawName)) {
        return *japanese;
    }
    return DecodeIbm437(record.rawName);
}

std::optional<std::string> NameDecoder::DecodeCp932(std::string_view raw) {
    if (cp932_ == kNotOpen) {
        cp932_ = iconv_open("UTF-8", "CP932");  // at the first name that needs it
        if (cp932_ == kNotOpen) {
            return std::nullopt;
        }
    }
    iconv(cp932_, nullptr, nullptr, nullptr, nullptr);
    std::string input(raw);
    std::string output(raw.size() * 3 + 4, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    if (iconv(cp932_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    output.resize(output.size() - outLeft);
    return output;
}

std::string DecodeIbm437(std::string_view raw) {
    // The characters of bytes 0x80 to 0xFF, sixteen to a row.
    static constexpr const char* kHighHalf[128] = {
        "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å",
        "É", "æ", "Æ", "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ",
        "á", "í", "ó", "ú", "ñ", "Ñ", "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»",
        "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕", "╣", "║", "╗", "╝", "╜", "╛", "┐",
        "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦", "╠", "═", "╬", "╧",
        "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐", "▀",
        "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩",
        "≡", "±", "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", "\u00A0",
    };
    std::string decoded;
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            decoded += c;
        } else {
            decoded += kHighHalf[byte - 0x80];
        }
    }
    return decoded;
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
