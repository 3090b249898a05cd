// Every reason the library gives for what it could not do, from the one table of
// contract/ReasonTable.h, which gives the window's words for each beside the library's. A
// failure is made only from one of these, with a detail after it where one helps (a path,
// the system's words for an error).
#pragma once

#include <string_view>

#include "ReasonTable.h"

namespace sevenzip32 {

using contract::Reason;

inline std::string_view TextOf(Reason reason) {
    return contract::WordsOf(reason);
}

}  // namespace sevenzip32
