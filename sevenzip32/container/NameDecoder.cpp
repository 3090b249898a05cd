#include "NameDecoder.h"

#include <algorithm>

#include "Crc32.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

// The Unicode path field counts only while it was written for the name that stands in
// the header: its CRC-32 is that of the header's raw name.
std::optional<std::string> UnicodePathName(const CentralHeader& header) {
    const auto& field = header.Extras().unicodePath;
    if (!field) {
        return std::nullopt;
    }
    const std::string_view rawName = header.RawName();
    const auto* raw = reinterpret_cast<const uint8_t*>(rawName.data());
    if (field->rawNameCrc != UpdateCrc32(0, {raw, rawName.size()})) {
        return std::nullopt;
    }
    std::string name(field->name);
    if (!IsValidUtf8(name)) {
        return std::nullopt;
    }
    return name;
}

constexpr std::pair<UnflaggedEncoding, CodePage> kCodePageEncodings[] = {
    {UnflaggedEncoding::Cp932, CodePage::Cp932},   {UnflaggedEncoding::Gbk, CodePage::Gbk},
    {UnflaggedEncoding::Cp866, CodePage::Cp866},   {UnflaggedEncoding::Ibm437, CodePage::Ibm437},
    {UnflaggedEncoding::Cp1252, CodePage::Cp1252},
};

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::optional<CodePage> CodePageOf(UnflaggedEncoding encoding) {
    for (const auto& [each, codePage] : kCodePageEncodings) {
        if (each == encoding) {
            return codePage;
        }
    }
    return std::nullopt;
}

}  // namespace

void UnflaggedNames::Add(const UnflaggedNames& more) {
    readAsUtf8 += more.readAsUtf8;
    readAsCp932 += more.readAsCp932;
    anyNotUtf8 = anyNotUtf8 || more.anyNotUtf8;
    codePages.Add(more.codePages);
}

UnflaggedEncoding UnflaggedNames::ArchiveEncoding() const {
    if (!anyNotUtf8) {
        return UnflaggedEncoding::Utf8;
    }
    const CodePage best = codePages.Best();
    for (const auto& [encoding, codePage] : kCodePageEncodings) {
        if (codePage == best) {
            return encoding;
        }
    }
    return UnflaggedEncoding::Ibm437;
}

bool UnflaggedNames::SomeReadOtherwise() const {
    switch (ArchiveEncoding()) {
        case UnflaggedEncoding::Cp932:
            return readAsUtf8 > 0;
        case UnflaggedEncoding::Ibm437:
            return readAsUtf8 + readAsCp932 > 0;
        case UnflaggedEncoding::Utf8:
            return false;
        default:
            return true;  // each was read as UTF-8, CP932 or IBM437
    }
}

// UTF-8 where the archive says so; else what the Unicode path field says; else the
// archive's encoding for the names it does not flag. Any bytes decode: a name is never
// refused for its encoding, only for what it says once decoded.
void NameDecoder::Decode(const CentralHeader& header, std::string& name) {
    const std::string_view raw = header.RawName();
    if (header.IsNameUtf8() && IsValidUtf8(raw)) {
        name.assign(raw);
    } else if (auto unicodeName = UnicodePathName(header)) {
        name = std::move(*unicodeName);
    } else if (IsAscii(raw)) {
        name.assign(raw);  // the same in every encoding
    } else if (header.IsNameUtf8()) {
        ReadAsItReads(raw, name);  // a flag that lies speaks for this name alone
    } else if (encoding_ == UnflaggedEncoding::EachAsItReads) {
        CountUnflagged(raw, ReadAsItReads(raw, name));
    } else {
        ReadIn(encoding_, raw, name);
    }
}

UnflaggedEncoding NameDecoder::ReadAsItReads(std::string_view raw, std::string& name) {
    if (IsValidUtf8(raw)) {
        name.assign(raw);
        return UnflaggedEncoding::Utf8;
    }
    if (auto japanese = codePages_.Read(CodePage::Cp932, raw)) {
        name = std::move(*japanese);
        return UnflaggedEncoding::Cp932;
    }
    name = DecodeIbm437(raw);
    return UnflaggedEncoding::Ibm437;
}

void NameDecoder::CountUnflagged(std::string_view raw, UnflaggedEncoding read) {
    switch (read) {
        case UnflaggedEncoding::Utf8:
            ++unflagged_.readAsUtf8;
            return;
        case UnflaggedEncoding::Cp932:
            ++unflagged_.readAsCp932;
            break;
        default:
            break;
    }
    unflagged_.anyNotUtf8 = true;
    codePages_.Count(raw, unflagged_.codePages);
}

void NameDecoder::ReadIn(UnflaggedEncoding encoding, std::string_view raw, std::string& name) {
    if (encoding == UnflaggedEncoding::Utf8 && IsValidUtf8(raw)) {
        name.assign(raw);
    } else if (auto read = CodePageOf(encoding) ? codePages_.Read(*CodePageOf(encoding), raw)
                                                : std::nullopt) {
        name = std::move(*read);
    } else {
        ReadAsItReads(raw, name);  // the bytes changed since the encoding was chosen
    }
}

}  // namespace sevenzip32
