// Symbolic links of the archive, put in place whole.
#pragma once

#include <string>

namespace sevenzip32 {

// Creates a symbolic link to target as name in the folder, replacing what stands there.
void PublishLink(int folderFd, const std::string& name, const std::string& target);

}  // namespace sevenzip32
