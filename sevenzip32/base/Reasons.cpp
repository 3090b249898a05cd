#include "Reasons.h"

#include <iterator>

namespace sevenzip32 {

std::string_view TextOf(Reason reason) {
    static constexpr std::string_view kWords[] = {
#define KESTO_REASON_WORDS(name, words, japanese) words,
        KESTO_REASONS(KESTO_REASON_WORDS)
#undef KESTO_REASON_WORDS
    };
    const auto index = static_cast<size_t>(reason);
    return index < std::size(kWords) ? kWords[index] : std::string_view();
}

}  // namespace sevenzip32
