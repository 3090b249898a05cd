#include "LinkTarget.h"

#include <algorithm>

#include "EntryFailure.h"

namespace sevenzip32 {

void CheckLinkTarget(std::string_view linkPath, std::string_view target) {
    if (target.empty()) {
        throw EntryFailure("the link has no target");
    }
    if (target.front() == '/') {
        throw EntryFailure("the link points to an absolute path");
    }
    for (char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\') {
            throw EntryFailure("the link's target holds a control character or a backslash");
        }
    }
    // As many levels as there are folders above the link.
    auto climbable = static_cast<size_t>(std::count(linkPath.begin(), linkPath.end(), '/'));
    bool descended = false;
    size_t start = 0;
    while (start <= target.size()) {
        size_t end = target.find('/', start);
        if (end == std::string_view::npos) {
            end = target.size();
        }
        const std::string_view part = target.substr(start, end - start);
        if (part == "..") {
            if (descended || climbable == 0) {
                throw EntryFailure("the link points outside the output folder");
            }
            --climbable;
        } else if (!part.empty() && part != ".") {
            descended = true;
        }
        start = end + 1;
    }
}

}  // namespace sevenzip32
