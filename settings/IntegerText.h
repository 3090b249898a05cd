// Integer texts as the settings hold them: leading blanks, an optional sign, then decimal
// digits or a hexadecimal number introduced by $, x, X or 0x, and nothing after it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The value, when the whole text is an integer that fits in 32 signed bits.
std::optional<int32_t> TextToInteger(std::string_view text);

bool IsIntegerText(std::string_view text);
