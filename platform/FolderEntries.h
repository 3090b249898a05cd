// Enumerating a folder's entries whose names match a wildcard pattern.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr char kPathSeparator = '/';

// "*" stands for any run of characters, "?" for one; letters match in either case.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// The names of the folder's entries that match, in the order the file system gives
// them, "." and ".." included when they match. Throws std::system_error when the
// folder cannot be read.
std::vector<std::string> MatchingEntries(const std::string& folder, std::string_view pattern);

}  // namespace platform
