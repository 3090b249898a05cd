// The mode and modification time an entry gives its file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>

namespace sevenzip32 {

// Sets an open file's mode, when one is given, and its modification and access times to
// modificationTime; false when the system refuses either.
bool SetModeAndTime(int fd, std::optional<mode_t> mode, int64_t modificationTime);

}  // namespace sevenzip32
