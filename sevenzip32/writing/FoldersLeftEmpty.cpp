#include "FoldersLeftEmpty.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "PathParts.h"

namespace sevenzip32 {
namespace {

// Walks down to the folder at path; true where it or one above it was made here, with
// its parent open in parent.
bool MadeHere(const OutputFolder& output, std::string_view path, UniqueFd& parent) {
    UniqueFd current(::fcntl(output.Fd(), F_DUPFD_CLOEXEC, 0));
    bool made = false;
    ForEachPart(path, [&](std::string_view part) {
        UniqueFd next = OpenExistingFolder(current.Get(), std::string(part));
        if (!next.IsOpen()) {
            made = false;
            return false;
        }
        made = made || output.WasCreated(next.Get());
        parent = std::move(current);
        current = std::move(next);
        return true;
    });
    return made && parent.IsOpen();
}

}  // namespace

void RemoveEmptyFoldersMadeHere(const OutputFolder& output,
                                std::vector<std::string_view> candidates) {
    // A folder's path is longer than its parent's.
    std::sort(candidates.begin(), candidates.end(),
              [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (const std::string_view path : candidates) {
        UniqueFd parent;
        if (MadeHere(output, path, parent)) {
            // Fails, as it should, on a folder that holds anything.
            ::unlinkat(parent.Get(), std::string(LastPart(path)).c_str(), AT_REMOVEDIR);
        }
    }
}

}  // namespace sevenzip32
