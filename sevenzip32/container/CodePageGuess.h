// Which code page the names an archive leaves unflagged were written in, from the names as
// a whole, since the archive does not say. Each name that is not UTF-8 is read in each
// candidate, and each reading scored by how its characters fit the candidate's script:
// kana and kanji for CP932, common hanzi for GBK, Cyrillic for CP866, accented Latin letters for
// IBM437 and CP1252. Japanese comes first: CP932 wins whenever every character it reads
// is one Japanese names are written in; else the reading that decodes every name with the
// best score, the earlier on a tie.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CodePageDecoder.h"

namespace sevenzip32 {

// In the order that wins a tie: IBM437, the format's own, before the others.
enum class CodePage : uint8_t { Cp932, Gbk, Ibm437, Cp866, Cp1252 };
inline constexpr size_t kCodePages = 5;

// The scores so far; tallies of several threads add up.
struct CodePageTally {
    std::array<bool, kCodePages> failed{};
    std::array<int64_t, kCodePages> score{};
    bool allJapanese = true;  // every character CP932 read is kana, kanji or their marks
    bool any = false;

    void Add(const CodePageTally& more);
    CodePage Best() const;
};

// One thread's readers of the candidates.
class CodePageReader {
  public:
    // Scores the name's readings into tally.
    void Count(std::string_view raw, CodePageTally& tally);
    // The name read in the code page; nothing where it does not decode so.
    std::optional<std::string> Read(CodePage codePage, std::string_view raw);

  private:
    CodePageDecoder cp932_{"CP932"};
    CodePageDecoder gbk_{"GBK"};
    CodePageDecoder gb2312_{"GB2312"};
    CodePageDecoder cp866_{"CP866"};
    CodePageDecoder cp1252_{"CP1252"};
};

// IBM437, the code page of the ZIP format's own, which decodes any bytes.
std::string DecodeIbm437(std::string_view raw);

}  // namespace sevenzip32
