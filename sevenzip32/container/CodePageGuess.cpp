#include "CodePageGuess.h"

#include "Utf8.h"

namespace sevenzip32 {
namespace {

bool Between(uint32_t c, uint32_t first, uint32_t last) {
    return c >= first && c <= last;
}

bool IsKanaOrKanji(uint32_t c) {
    return Between(c, 0x3040, 0x30FF) || Between(c, 0x4E00, 0x9FFF);
}
bool IsCjkMark(uint32_t c) {
    return Between(c, 0x3000, 0x303F) || Between(c, 0xFF01, 0xFF5E);
}
bool IsLatinLetter(uint32_t c) {
    return Between(c, 0xC0, 0xFF) && c != 0xD7 && c != 0xF7;
}

// How well one character beyond ASCII fits the code page's script, in points for each
// byte it takes, so that readings of the same bytes compare: a good fit earns, what no
// name of that script holds costs. GBK's hanzi earn only where the name is GB2312 too, as
// the common ones are: CP932's kanji read as GBK mostly fall beyond it.
int Fit(CodePage codePage, uint32_t c, bool commonHanzi) {
    switch (codePage) {
        case CodePage::Cp932:
            return Between(c, 0x3040, 0x30FF)         ? 6
                   : IsKanaOrKanji(c) || IsCjkMark(c) ? 4
                   : Between(c, 0xFF61, 0xFF9F)       ? 2  // half-width katakana
                                                      : -20;
        case CodePage::Gbk:
            return !(Between(c, 0x4E00, 0x9FFF) || IsCjkMark(c)) ? -20 : commonHanzi ? 10 : 0;
        case CodePage::Cp866:
            return Between(c, 0x0410, 0x044F) || c == 0x0401 || c == 0x0451 ? 4 : -10;
        case CodePage::Ibm437:
            return IsLatinLetter(c) || c == 0x192 ? 4 : -10;
        case CodePage::Cp1252:
            return IsLatinLetter(c) || c == 0x160 || c == 0x161 || c == 0x17D || c == 0x17E ||
                           c == 0x152 || c == 0x153 || c == 0x178
                       ? 4
                       : -10;
    }
    return -10;
}

}  // namespace

void CodePageTally::Add(const CodePageTally& more) {
    for (size_t i = 0; i < kCodePages; ++i) {
        failed[i] = failed[i] || more.failed[i];
        score[i] += more.score[i];
    }
    allJapanese = allJapanese && more.allJapanese;
    any = any || more.any;
}

CodePage CodePageTally::Best() const {
    const auto cp932 = static_cast<size_t>(CodePage::Cp932);
    if (!any || (!failed[cp932] && allJapanese)) {
        return CodePage::Cp932;
    }
    std::optional<size_t> best;
    for (size_t i = 0; i < kCodePages; ++i) {
        if (!failed[i] && (!best || score[i] > score[*best])) {
            best = i;
        }
    }
    return best ? static_cast<CodePage>(*best) : CodePage::Ibm437;
}

void CodePageReader::Count(std::string_view raw, CodePageTally& tally) {
    tally.any = true;
    const bool commonHanzi = gb2312_.Decode(raw).has_value();
    for (size_t i = 0; i < kCodePages; ++i) {
        const auto codePage = static_cast<CodePage>(i);
        const auto read = Read(codePage, raw);
        if (!read) {
            tally.failed[i] = true;
            tally.allJapanese = tally.allJapanese && codePage != CodePage::Cp932;
            continue;
        }
        for (size_t at = 0; at < read->size();) {
            uint32_t c = 0;
            const size_t length = Utf8SequenceAt(*read, at, &c);
            at += length == 0 ? 1 : length;
            if (c < 0x80) {
                continue;
            }
            tally.score[i] += Fit(codePage, c, commonHanzi);
            if (codePage == CodePage::Cp932 && !IsKanaOrKanji(c) && !IsCjkMark(c)) {
                tally.allJapanese = false;
            }
        }
    }
}

std::optional<std::string> CodePageReader::Read(CodePage codePage, std::string_view raw) {
    switch (codePage) {
        case CodePage::Cp932:
            return cp932_.Decode(raw);
        case CodePage::Gbk:
            return gbk_.Decode(raw);
        case CodePage::Ibm437:
            return DecodeIbm437(raw);
        case CodePage::Cp866:
            return cp866_.Decode(raw);
        case CodePage::Cp1252:
            return cp1252_.Decode(raw);
    }
    return std::nullopt;
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
