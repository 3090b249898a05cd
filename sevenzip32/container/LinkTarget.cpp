#include "LinkTarget.h"

#include <algorithm>

#include "EntryFailure.h"
#include "PathParts.h"

namespace sevenzip32 {

void CheckLinkTarget(std::string_view linkPath, std::string_view target) {
    if (target.empty()) {
        throw EntryFailure(Reason::kLinkHasNoTarget);
    }
    if (target.front() == '/') {
        throw EntryFailure(Reason::kLinkIsAbsolute);
    }
    for (char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\') {
            throw EntryFailure(Reason::kLinkTargetHoldsControlCharacter);
        }
    }
    // As many levels as there are folders above the link.
    auto climbable = static_cast<size_t>(std::count(linkPath.begin(), linkPath.end(), '/'));
    bool descended = false;
    ForEachPart(target, [&](std::string_view part) {
        if (part == "..") {
            if (descended || climbable == 0) {
                throw EntryFailure(Reason::kLinkPointsOutside);
            }
            --climbable;
        } else if (!part.empty() && part != ".") {
            descended = true;
        }
        return true;
    });
}

}  // namespace sevenzip32
