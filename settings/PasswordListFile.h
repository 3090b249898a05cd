// The list of passwords the user keeps for encrypted archives, one a line, in the user's
// configuration folder; the extraction library reads it at each extraction. Only the
// user may read it: its folder is made 0700 and the file 0600 when they are created here.
#pragma once

#include <filesystem>
#include <string>

// $XDG_CONFIG_HOME/kesto/passwords.txt, by default ~/.config/kesto/passwords.txt.
std::filesystem::path PasswordListPath();

// Adds password as a line of its own at the end of the list, making the list and its
// folders where missing. False when it could not be written.
bool AppendPassword(const std::filesystem::path& list, const std::string& password);
