// File attributes as the program tests them, worked out from the file's status here.
#pragma once

#include <string>

namespace platform {

constexpr int kAttributeReadOnly = 1;
constexpr int kAttributeHidden = 2;
constexpr int kAttributeDirectory = 16;
constexpr int kAttributeArchive = 32;
constexpr int kInvalidAttributes = -1;

// Directory 16, or archive 32 for any other file; hidden 2 for a name starting with
// "."; read-only 1 when the owner may not write. kInvalidAttributes when it cannot be read.
int FileAttributes(const std::string& path);

}  // namespace platform
