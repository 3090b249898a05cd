// UTF-8 as names and the report need it: well-formed sequences only (no overlong forms,
// no surrogates, nothing past U+10FFFF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sevenzip32 {

// The length of the well-formed sequence that starts at text[at], or 0 when there is none;
// its code point goes to decoded when asked for.
size_t Utf8SequenceAt(std::string_view text, size_t at, uint32_t* decoded = nullptr);

bool IsValidUtf8(std::string_view text);

// UTF-16 as 7z names are written, into UTF-8; a lone surrogate becomes U+FFFD.
void Utf16ToUtf8(std::u16string_view text, std::string& utf8);

// A key equal for names a file system that folds case takes for one: each character in
// its upper case (Unicode's simple mapping), as exFAT compares names. Written into
// folded, whose room is reused from one name to the next.
void CaseFold(std::string_view text, std::string& folded);

// The text with control characters and bytes that are not UTF-8 written as \xNN, so that
// it is valid UTF-8 and one line, whatever an archive's names hold.
std::string EscapedForReport(std::string_view text);

}  // namespace sevenzip32
