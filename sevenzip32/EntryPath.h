// Entry names as paths below the output folder. A name that could reach outside the
// folder is refused; what is left is kept as one string, its parts joined by "/".
#pragma once

#include <string>
#include <string_view>

namespace sevenzip32 {

struct EntryPath {
    // The parts joined by "/": never empty, ".", ".." or holding a separator. The whole is
    // empty only for a folder naming the output folder itself.
    std::string path;
    bool namesFolder = false;  // the name ended with a separator
};

// Normalises a decoded name: "/" and "\" both separate, empty and "." parts go; throws
// EntryFailure for absolute names, drive letters, "..", NUL and control characters.
EntryPath NormaliseEntryName(std::string_view name);
// The same into entry, whose room is reused.
void NormaliseEntryName(std::string_view name, EntryPath& entry);

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

// Calls visit(part) for each part of a normalised path, in order, while it returns true.
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
