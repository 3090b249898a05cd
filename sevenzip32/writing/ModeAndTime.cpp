#include "ModeAndTime.h"

#include <sys/stat.h>

#include <ctime>

namespace sevenzip32 {

bool SetModeAndTime(int fd, std::optional<mode_t> mode, int64_t modificationTime) {
    if (mode && ::fchmod(fd, *mode) != 0) {
        return false;
    }
    const timespec times[2] = {{modificationTime, 0}, {modificationTime, 0}};
    return ::futimens(fd, times) == 0;
}

}  // namespace sevenzip32
