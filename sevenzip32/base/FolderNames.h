// The names a folder lists, one at a time, without "." and "..".
#pragma once

#include <functional>

namespace sevenzip32 {

// Calls visit with each name in the folder until it returns false; nothing when the
// folder cannot be listed.
void ForEachName(int folderFd, const std::function<bool(const char* name)>& visit);

}  // namespace sevenzip32
