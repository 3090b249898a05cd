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

// Removes the file at path when it is the expected one. It is first moved aside to a name
// of our own in the same folder and confirmed there, so that a file renamed onto path
// after a look at it is never the one removed; one that is not the expected file goes back.
bool DeleteIfStillExpected(const std::string& path, const FileIdentity& expected);

// Where the file system or the file's owner refuses leases, how long a file must have
// stayed untouched before it is taken for complete.
constexpr int64_t kQuietSecondsWithoutLeases = 60;

// Removes the file at path when it is still the expected one and no one has it open for
// writing: a file still arriving is never taken away from its writer. Where that cannot
// be asked, only a file untouched for kQuietSecondsWithoutLeases goes.
bool DeleteUnlessBeingWritten(const std::string& path, const FileIdentity& expected);

}  // namespace platform
