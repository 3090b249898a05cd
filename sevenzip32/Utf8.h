// UTF-8 as names and the report need it: well-formed sequences only (no overlong forms,
// no surrogates, nothing past U+10FFFF).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sevenzip32 {

// The length of the well-formed sequence that starts at text[at], or 0 when there is none.
size_t Utf8SequenceAt(std::string_view text, size_t at);

bool IsValidUtf8(std::string_view text);

// The text with control characters and bytes that are not UTF-8 written as \xNN, so that
// it is valid UTF-8 and one line, whatever an archive's names hold.
std::string EscapedForReport(std::string_view text);

}  // namespace sevenzip32
