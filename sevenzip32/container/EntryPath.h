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

}  // namespace sevenzip32
