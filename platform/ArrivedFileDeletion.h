// Removing a file that another program may still be writing: only once it has arrived.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileIdentity.h"

namespace platform {

// Where the file system or the file's owner refuses leases, how long a file must have
// stayed untouched before it is taken for complete.
constexpr int64_t kQuietSecondsWithoutLeases = 60;

struct ArrivedFile {
    std::string path;
    FileIdentity identity;  // as it was when it was read
};

// Removes the files (an archive, then its volumes), in order, when each is still the
// expected one and no one has any of them open for writing: a file still arriving is
// never taken away from its writer, and one still arriving keeps the others. Where that
// cannot be asked, only files all untouched for kQuietSecondsWithoutLeases go. Stops at
// the first that cannot go; true when all went.
bool DeleteAllUnlessAnyBeingWritten(const std::vector<ArrivedFile>& files);

}  // namespace platform
