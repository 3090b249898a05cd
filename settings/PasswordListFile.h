// The list of passwords the user keeps for encrypted archives, one a line, where
// contract/UserFolders.h places it for the extraction library and the program alike; the
// library reads it at each extraction. Only the user may read it: its folder is made 0700
// and the file 0600 when they are created here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "FileIdentity.h"

// A line this program added to the list: where it starts, and what it says.
struct AddedPassword {
    uint64_t offset = 0;
    std::string password;
};

// Adds password as a line of its own at the end of the list, making the list and its
// folders where missing. Nothing when it could not be written.
std::optional<AddedPassword> AppendPassword(const std::filesystem::path& list,
                                            const std::string& password);

// Takes the line that added stands for out of the list again, when it still stands where
// it was added, as it was added; every other line stays as it is. True when it was taken.
bool TakeOutPassword(const std::filesystem::path& list, const AddedPassword& added);

struct PasswordListLook {
    std::optional<platform::FileIdentity> identity;  // nothing where there is no list
    bool holdsPasswords = false;                     // a line that is not blank
};

// How the list is now, as the library would read it: blank lines and a byte-order mark
// are no passwords.
PasswordListLook LookAtPasswordList(const std::filesystem::path& list);
