// Names in one Unicode form, so that a name written decomposed (as macOS writes "ガ": "カ"
// and a combining mark) is the name a user types, and compares equal to its composed twin.
#pragma once

#include <string>
#include <string_view>

namespace sevenzip32 {

// The valid UTF-8 text in NFC, into composed (its room reused); true when that differs
// from text. CJK compatibility ideographs stand as they are: NFC would put the unified
// ideograph of another shape in their place, as in the variants of Japanese family names.
bool ComposeName(std::string_view text, std::string& composed);

}  // namespace sevenzip32
