// The parts of a path joined by "/", as entry paths below the output folder are kept.
#pragma once

#include <string_view>

namespace sevenzip32 {

// The path of the folder holding the last part: empty at the top.
inline std::string_view FolderPart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

// The last part: the name of the file within its folder.
inline std::string_view LastPart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Calls visit(part) for each part of path, in order, while it returns true; repeated
// slashes give empty parts, which a normalised path never has.
template <typename Visit>
void ForEachPart(std::string_view path, Visit visit) {
    while (!path.empty()) {
        const size_t slash = path.find('/');
        if (!visit(path.substr(0, slash))) {
            return;
        }
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
}

}  // namespace sevenzip32
