#include "Utf8.h"

#include <cstdint>
#include <cstdio>
#include <cwctype>

#include <locale.h>
#include <wctype.h>

namespace sevenzip32 {

size_t Utf8SequenceAt(std::string_view text, size_t at, uint32_t* decoded) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    uint32_t codePoint = 0;
    if (lead < 0x80) {
        if (decoded != nullptr) {
            *decoded = lead;
        }
        return 1;
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
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    if (decoded != nullptr) {
        *decoded = codePoint;
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceAt(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

void CaseFold(std::string_view text, std::string& folded) {
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    folded.clear();
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {  // most names: a byte each
            folded += static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - ('a' - 'A') : byte);
            ++at;
            continue;
        }
        uint32_t codePoint = 0;
        const size_t length = Utf8SequenceAt(text, at, &codePoint);
        if (length == 0) {
            folded += text[at++];
            continue;
        }
        if (unicode != nullptr) {
            codePoint =
                static_cast<uint32_t>(::towupper_l(static_cast<wint_t>(codePoint), unicode));
        }
        // Marked apart from the bytes above: the 0x80 never stands alone in a name.
        folded += '\x80';
        folded.append(reinterpret_cast<const char*>(&codePoint), sizeof codePoint);
        at += length;
    }
}

std::string EscapedForReport(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const size_t length = Utf8SequenceAt(text, at);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            escaped += code;
            ++at;
        } else {
            escaped.append(text.substr(at, length));
            at += length;
        }
    }
    return escaped;
}

namespace {

void AppendUtf8(uint32_t point, std::string& utf8) {
    if (point < 0x80) {
        utf8 += static_cast<char>(point);
    } else if (point < 0x800) {
        utf8 += static_cast<char>(0xC0 | point >> 6);
        utf8 += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        utf8 += static_cast<char>(0xE0 | point >> 12);
        utf8 += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        utf8 += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | point >> 18);
        utf8 += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        utf8 += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        utf8 += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

void Utf16ToUtf8(std::u16string_view text, std::string& utf8) {
    constexpr uint32_t kReplacement = 0xFFFD;
    utf8.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const uint32_t unit = text[i];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00u), utf8);
        } else {
            AppendUtf8(high || low ? kReplacement : unit, utf8);
        }
    }
}

}  // namespace sevenzip32
