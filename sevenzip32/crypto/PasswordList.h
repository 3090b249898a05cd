// The passwords the user keeps, one a line in the list contract/UserFolders.h places, read
// afresh at each extraction. Each is tried as its UTF-8 bytes and, where they differ, as
// CP932, in which Japanese Windows writes a password for the traditional cipher.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "SecretBytes.h"

namespace sevenzip32 {

class PasswordList {
  public:
    // The list at path as it is now, with the identity of the very file read; an empty
    // list where there is none.
    static PasswordList Load(const std::filesystem::path& path);

    // The byte strings to try, in the list's order.
    const std::vector<SecretBytes>& Candidates() const { return candidates_; }
    // The file's identity when it was read; nothing when there was no file.
    const std::optional<struct stat>& Identity() const { return identity_; }

  private:
    std::vector<SecretBytes> candidates_;
    std::optional<struct stat> identity_;
};

// The identity of the file at path now, without reading it.
std::optional<struct stat> PasswordListIdentity(const std::filesystem::path& path);

}  // namespace sevenzip32
