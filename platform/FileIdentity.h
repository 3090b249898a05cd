// What tells one file from another that came under the same name, and the file
// operations that depend on it.
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

// Makes everything written on the file system that holds folder durable.
bool SyncFileSystem(const std::string& folder);

// Removes a file; never a folder.
bool DeleteFile(const std::string& path);

}  // namespace platform
