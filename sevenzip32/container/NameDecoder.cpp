#include "NameDecoder.h"

#include "Crc32.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

constexpr uint16_t kUnicodePathExtraId = 0x7075;

// The Unicode path field counts only while it was written for the name that stands in
// the header: its CRC-32 is that of the header's raw name.
std::optional<std::string> UnicodePathName(const CentralHeader& header) {
    auto field = header.ExtraField(kUnicodePathExtraId);
    if (!field || field->size() < 5 || (*field)[0] != 1) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(field->data());
    const std::string_view rawName = header.RawName();
    const auto* raw = reinterpret_cast<const uint8_t*>(rawName.data());
    if (ReadU32(bytes + 1) != UpdateCrc32(0, {raw, rawName.size()})) {
        return std::nullopt;
    }
    std::string name(field->substr(5));
    if (!IsValidUtf8(name)) {
        return std::nullopt;
    }
    return name;
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
void NameDecoder::Decode(const CentralHeader& header, std::string& name) {
    const std::string_view raw = header.RawName();
    if (header.IsNameUtf8() && IsValidUtf8(raw)) {
        name.assign(raw);
    } else if (auto unicodeName = UnicodePathName(header)) {
        name = std::move(*unicodeName);
    } else if (IsValidUtf8(raw)) {
        name.assign(raw);
    } else if (auto japanese = DecodeCp932(raw)) {
        name = std::move(*japanese);
    } else {
        name = DecodeIbm437(raw);
    }
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

}  // namespace sevenzip32
