// The one rule for the targets of the archive's symbolic links.
#pragma once

#include <string_view>

namespace sevenzip32 {

// Throws EntryFailure unless a link at linkPath (a normalised entry path) pointing to
// target stays inside the output folder: relative, climbing only at its start and no
// higher than the top, and never climbing after a part that might itself be a link.
void CheckLinkTarget(std::string_view linkPath, std::string_view target);

}  // namespace sevenzip32
