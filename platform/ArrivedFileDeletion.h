// Removing a file that another program may still be writing: only once it has arrived.
#pragma once

#include <cstdint>
#include <string>

#include "FileIdentity.h"

namespace platform {

// Where the file system or the file's owner refuses leases, how long a file must have
// stayed untouched before it is taken for complete.
constexpr int64_t kQuietSecondsWithoutLeases = 60;

// Removes the file at path when it is still the expected one and no one has it open for
// writing: a file still arriving is never taken away from its writer. Where that cannot
// be asked, only a file untouched for kQuietSecondsWithoutLeases goes.
bool DeleteUnlessBeingWritten(const std::string& path, const FileIdentity& expected);

}  // namespace platform
