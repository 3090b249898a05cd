// A file already standing where an entry goes, with the entry's very bytes: a watch
// folder is extracted again at every pass, and rewriting what is already there would
// cost a temporary, a flush and a rename for each file on every pass.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

namespace sevenzip32 {

struct ExpectedFile {
    uint64_t size = 0;
    uint32_t crc = 0;
    mode_t mode = 0;
    int64_t modificationTime = 0;
    uid_t owner = 0;  // whom a rewritten file would belong to
};

// True when name in the folder is a regular file of the expected owner with the expected size and
// CRC-32, counted on its bytes; its mode and modification time are then set to the
// expected ones where they differ, so the file ends as a rewrite would leave it.
// False, with nothing changed, when the entry has to be written as usual. buffer is
// scratch space for reading.
bool KeepIfAlreadyInPlace(int folderFd, const std::string& name, const ExpectedFile& expected,
                          std::span<uint8_t> buffer);

// True when name in the folder is a symbolic link to target.
bool IsLinkInPlace(int folderFd, const std::string& name, const std::string& target);

}  // namespace sevenzip32
