// The reason one entry, or the whole archive, could not be extracted.
#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sevenzip32 {

class EntryFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The failure of a system call, with the call's own words for errno.
inline EntryFailure SystemFailure(const std::string& what, int error = errno) {
    return EntryFailure(what + ": " + std::strerror(error));
}

inline EntryFailure NotEnoughSpace() {
    return EntryFailure("not enough free space on the disk");
}

}  // namespace sevenzip32
