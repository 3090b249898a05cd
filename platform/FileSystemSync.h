// Making what was written durable.
#pragma once

#include <string>

namespace platform {

// Makes everything written on the file system that holds folder durable.
bool SyncFileSystem(const std::string& folder);

}  // namespace platform
