// What tells one file from another that came under the same name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    bool isRegularFile = false;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path, or nothing when it cannot be read.
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace platform
