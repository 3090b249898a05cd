// Every reason the library gives for what it could not do, from the one table of
// contract/ReasonTable.h, which gives the window's words for each beside the library's. A
// failure is made only from one of these, with a detail after it where one helps (a path,
// the system's words for an error).
#pragma once

#include <cstdint>
#include <string_view>

#include "ReasonTable.h"

namespace sevenzip32 {

// clang-format off
enum class Reason : uint8_t {
#define KESTO_REASON_NAME(name, words, japanese) name,
    KESTO_REASONS(KESTO_REASON_NAME)
#undef KESTO_REASON_NAME
    kCount  // not a reason: how many there are
};
// clang-format on

std::string_view TextOf(Reason reason);

}  // namespace sevenzip32
