// Removing files, and only the files that were meant.
#pragma once

#include <string>

#include "FileIdentity.h"

namespace platform {

// Removes a file; never a folder.
bool DeleteFile(const std::string& path);

// Removes the file at path when it is the expected one. It is first moved aside to a name
// of our own in the same folder and confirmed there, so that a file renamed onto path
// after a look at it is never the one removed; one that is not the expected file goes back.
bool DeleteIfStillExpected(const std::string& path, const FileIdentity& expected);

}  // namespace platform
