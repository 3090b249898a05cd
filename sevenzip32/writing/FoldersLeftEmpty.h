// A folder an extraction made only to hold entries that then all failed (for want of a
// password, damaged data) would stand empty in the watch folder: it goes again. One that
// was there before, or holds anything, stays.
#pragma once

#include <string_view>
#include <vector>

#include "OutputFolder.h"

namespace sevenzip32 {

// Removes the folders among candidates, paths below the output folder, that this
// extraction made (they or a folder above them) and that are empty, the deepest first.
void RemoveEmptyFoldersMadeHere(const OutputFolder& output,
                                std::vector<std::string_view> candidates);

}  // namespace sevenzip32
