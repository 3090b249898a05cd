// The list of passwords the user keeps for encrypted archives, one a line, where
// contract/UserFolders.h places it for the extraction library and the program alike; the
// library reads it at each extraction. Only the user may read it: its folder is made 0700
// and the file 0600 when they are created here.
#pragma once

#include <filesystem>
#include <string>

// Adds password as a line of its own at the end of the list, making the list and its
// folders where missing. False when it could not be written.
bool AppendPassword(const std::filesystem::path& list, const std::string& password);
